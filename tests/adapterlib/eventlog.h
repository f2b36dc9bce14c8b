#ifndef FELDMOOR_ADAPTERLIB_EVENTLOG_H
#define FELDMOOR_ADAPTERLIB_EVENTLOG_H

// What one notification callback received and on which threads, read by the
// test as the events come in.

#include "adapter/ulong.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using Events = std::vector<ULONG>;

constexpr ULONG kArrived = 3;
constexpr ULONG kRemoved = 0;

class EventLog {
public:
    void record(ULONG status);

    // Waits until `count` events have arrived since the last take (or two
    // seconds passed) and returns all of them, extra ones included, so that a
    // surplus shows up as a mismatch.
    std::vector<ULONG> take(std::size_t count);

    // Gives late or surplus events time to arrive, then returns them: a quiet
    // log returns nothing.
    std::vector<ULONG> takeLate();

    std::set<std::thread::id> threads() const;

private:
    std::vector<ULONG> takeLocked();

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<ULONG> events_;
    std::size_t taken_ = 0;
    std::set<std::thread::id> threads_;
};

#endif
