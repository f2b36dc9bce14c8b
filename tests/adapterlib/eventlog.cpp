#include "eventlog.h"

namespace {

// Generous next to the milliseconds a directory watch takes, so a loaded
// machine does not fail a test (under Wine, with other suites running, 2 s
// was once too short); a passing run never waits this long.
constexpr std::chrono::seconds kEventTimeout{10};
constexpr std::chrono::milliseconds kSettleTime{250};

}

void EventLog::record(ULONG status)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(status);
        threads_.insert(std::this_thread::get_id());
    }
    arrived_.notify_all();
}

std::vector<ULONG> EventLog::take(std::size_t count)
{
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait_for(lock, kEventTimeout, [&] { return events_.size() - taken_ >= count; });
    return takeLocked();
}

std::vector<ULONG> EventLog::takeLate()
{
    std::this_thread::sleep_for(kSettleTime);
    const std::lock_guard<std::mutex> lock(mutex_);
    return takeLocked();
}

std::set<std::thread::id> EventLog::threads() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
}

std::vector<ULONG> EventLog::takeLocked()
{
    std::vector<ULONG> fresh(events_.begin() + static_cast<std::ptrdiff_t>(taken_), events_.end());
    taken_ = events_.size();
    return fresh;
}
