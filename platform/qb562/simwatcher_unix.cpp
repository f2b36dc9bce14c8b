// Watches the bus directory with inotify: each adapter directory created,
// deleted or renamed is one event, so changes are reported as they happen.

#include "simwatcher.h"

#include "simbus.h"

#include <cerrno>
#include <cstdint>
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

struct SimWatcher::Native {
    explicit Native(SimWatcher &watcher) : owner(watcher) { }

    void run();
    bool arm();
    void disarm();
    void readEvents();
    void handle(const inotify_event &event);

    SimWatcher &owner;
    int inotifyFd = -1;
    int watch = -1;
};

void SimWatcher::NativeDeleter::operator()(Native *native) const
{
    delete native;
}

bool SimWatcher::start()
{
    native_.reset(new Native(*this));
    Native &native = *native_;
    native.inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (native.inotifyFd < 0)
        return false;
    if (native.arm())
        rescan(false);
    try {
        std::thread([&native] { native.run(); }).detach();
    } catch (const std::system_error &) {
        ::close(native.inotifyFd);
        native.inotifyFd = -1;
        return false;
    }
    return true;
}

void SimWatcher::Native::run()
{
    for (;;) {
        pollfd ready{inotifyFd, POLLIN, 0};
        const int count = ::poll(&ready, 1, watch >= 0 ? -1 : kRearmIntervalMs);
        if (count < 0 && errno != EINTR)
            return;
        if (count > 0)
            readEvents();
        if (watch < 0 && arm())
            owner.rescan(true);
    }
}

bool SimWatcher::Native::arm()
{
    watch = ::inotify_add_watch(inotifyFd, owner.busDir_.c_str(), kWatchMask);
    return watch >= 0;
}

void SimWatcher::Native::disarm()
{
    // Fails harmlessly when the kernel already dropped the watch.
    ::inotify_rm_watch(inotifyFd, watch);
    watch = -1;
}

void SimWatcher::Native::readEvents()
{
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = ::read(inotifyFd, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            handle(*event);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void SimWatcher::Native::handle(const inotify_event &event)
{
    if (event.mask & IN_Q_OVERFLOW) {
        if (watch >= 0)
            owner.rescan(true);
        return;
    }
    // Events of an earlier watch, queued before the bus went away, describe a
    // directory that is no longer the bus.
    if (event.wd != watch)
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
    owner.setPresent(static_cast<unsigned>(index), (event.mask & (IN_CREATE | IN_MOVED_TO)) != 0);
}

}
