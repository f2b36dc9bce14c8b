#include "byte_queue.h"

void ByteQueue::push(std::string chunk)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        chunks_.push_back(std::move(chunk));
    }
    ready_.notify_one();
}

void ByteQueue::close()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    ready_.notify_one();
}

bool ByteQueue::tryTake(std::string &out)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (chunks_.empty())
        return false;
    out = std::move(chunks_.front());
    chunks_.pop_front();
    return true;
}

bool ByteQueue::take(std::string &out)
{
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !chunks_.empty(); });
    if (chunks_.empty())
        return false;
    out = std::move(chunks_.front());
    chunks_.pop_front();
    return true;
}
