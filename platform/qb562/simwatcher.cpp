#include "simwatcher.h"

#include "deviceid.h"
#include "notifyregistry.h"
#include "simbus.h"

#include <cerrno>
#include <poll.h>
#include <sys/inotify.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace qb562 {

namespace {

// How often to look for a bus directory that is missing. inotify cannot watch
// a path that does not exist, and watching the parent would fail the same way
// when that is missing too.
constexpr int kRearmIntervalMs = 100;

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
    | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}

SimWatcher::SimWatcher(std::string busDir, NotifyRegistry &registry)
    : busDir_(std::move(busDir))
    , deviceId_(deviceIdText(kAdapterVendorId, kAdapterProductId))
    , registry_(registry)
{
}

bool SimWatcher::start()
{
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0)
        return false;
    if (arm())
        rescan(false);
    try {
        std::thread([this] { run(); }).detach();
    } catch (const std::system_error &) {
        ::close(inotifyFd_);
        inotifyFd_ = -1;
        return false;
    }
    return true;
}

void SimWatcher::run()
{
    for (;;) {
        pollfd ready{inotifyFd_, POLLIN, 0};
        const int count = ::poll(&ready, 1, watch_ >= 0 ? -1 : kRearmIntervalMs);
        if (count < 0 && errno != EINTR)
            return;
        if (count > 0)
            readEvents();
        if (watch_ < 0 && arm())
            rescan(true);
    }
}

bool SimWatcher::arm()
{
    watch_ = ::inotify_add_watch(inotifyFd_, busDir_.c_str(), kWatchMask);
    return watch_ >= 0;
}

void SimWatcher::disarm()
{
    // Fails harmlessly when the kernel already dropped the watch.
    ::inotify_rm_watch(inotifyFd_, watch_);
    watch_ = -1;
}

void SimWatcher::readEvents()
{
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = ::read(inotifyFd_, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            handle(*event);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void SimWatcher::handle(const inotify_event &event)
{
    if (event.mask & IN_Q_OVERFLOW) {
        if (watch_ >= 0)
            rescan(true);
        return;
    }
    // Events of an earlier watch, queued before the bus went away, describe a
    // directory that is no longer the bus.
    if (event.wd != watch_)
        return;
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
        disarm();
        return;
    }
    // Board state kept by other programs lives inside the adapter directories,
    // which are not watched; plain files beside them are not adapters.
    if (!(event.mask & IN_ISDIR) || event.len == 0)
        return;
    const int index = adapterIndexFromDirName(event.name);
    if (index < 0)
        return;
    setPresent(static_cast<unsigned>(index), (event.mask & (IN_CREATE | IN_MOVED_TO)) != 0);
}

void SimWatcher::rescan(bool report)
{
    for (unsigned index = 0; index < kAdapterSlots; ++index) {
        const bool present = adapterPresent(busDir_, index);
        if (report)
            setPresent(index, present);
        else
            present_[index] = present;
    }
}

void SimWatcher::setPresent(unsigned index, bool present)
{
    if (present_[index] == present)
        return;
    present_[index] = present;
    registry_.dispatch(deviceId_, present ? kDeviceArrived : kDeviceRemoved);
}

}
