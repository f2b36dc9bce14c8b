#ifndef FELDMOOR_JTAGBOARD_BYTE_QUEUE_H
#define FELDMOOR_JTAGBOARD_BYTE_QUEUE_H

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

// What the client sent, handed from the thread that drains the socket to the
// one that models the board. Unbounded on purpose: OpenOCD 0.12 drops bytes
// when its non-blocking writes would block, so the socket must never fill up
// while the model is busy.
class ByteQueue {
public:
    void push(std::string chunk);
    // The client has closed (or the socket failed): no more pushes.
    void close();
    // Takes everything queued without waiting; false when nothing is.
    bool tryTake(std::string &out);
    // Waits for bytes; false once the queue is closed and empty.
    bool take(std::string &out);

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::string> chunks_;
    bool closed_ = false;
};

#endif
