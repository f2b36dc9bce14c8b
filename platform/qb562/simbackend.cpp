#include "simbackend.h"

#include "simbus.h"
#include "simwatcher.h"

#include <utility>

namespace qb562 {

SimBackend::SimBackend(std::string busDir)
    : busDir_(std::move(busDir))
{
}

SimBackend::~SimBackend() = default;

std::intptr_t SimBackend::open(ULONG index)
{
    if (index >= kAdapterSlots || !adapterPresent(busDir_, index))
        return -1;
    const std::lock_guard<std::mutex> lock(mutex_);
    open_[index] = true;
    // Any value but -1 will do; index + 1 keeps handles distinct and non-zero.
    return static_cast<std::intptr_t>(index) + 1;
}

bool SimBackend::close(ULONG index)
{
    if (index >= kAdapterSlots)
        return false;
    const std::lock_guard<std::mutex> lock(mutex_);
    const bool wasOpen = open_[index];
    open_[index] = false;
    return wasOpen;
}

bool SimBackend::startEvents(NotifyRegistry &registry)
{
    watcher_ = std::make_unique<SimWatcher>(busDir_, registry);
    return watcher_->start();
}

}
