// Watches the bus directory with a change notification: Windows only says that
// a directory name below it changed, so every wake-up rescans the sixteen
// adapter slots and reports what differs from what was last told.

#include "simwatcher.h"

#include "deviceid.h"
#include <system_error>
#include <thread>
#include <windows.h>

namespace qb562 {

namespace {

// How often to look for a missing bus directory, and to check that the one
// watched is still there: a notification handle stays quiet when the
// directory it watches is deleted or renamed.
constexpr DWORD kCheckIntervalMs = 100;

bool isDirectory(const std::string &path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}

struct SimWatcher::Native {
    explicit Native(SimWatcher &watcher) : owner(watcher) { }

    void run();
    bool arm();
    void disarm();

    SimWatcher &owner;
    HANDLE change = INVALID_HANDLE_VALUE;
};

SimWatcher::SimWatcher(std::string busDir, NotifyRegistry &registry)
    : busDir_(std::move(busDir))
    , deviceId_(deviceIdText(kAdapterVendorId, kAdapterProductId))
    , registry_(registry)
{
}

SimWatcher::~SimWatcher() = default;

bool SimWatcher::start()
{
    native_ = std::make_unique<Native>(*this);
    Native &native = *native_;
    if (native.arm())
        rescan(false);
    try {
        std::thread([&native] { native.run(); }).detach();
    } catch (const std::system_error &) {
        native.disarm();
        return false;
    }
    return true;
}

void SimWatcher::Native::run()
{
    for (;;) {
        if (change == INVALID_HANDLE_VALUE) {
            ::Sleep(kCheckIntervalMs);
            if (arm())
                owner.rescan(true);
            continue;
        }
        const DWORD woken = ::WaitForSingleObject(change, kCheckIntervalMs);
        if (woken == WAIT_OBJECT_0) {
            // Re-armed before looking, so a change made during the rescan
            // wakes the next wait instead of being lost.
            if (!::FindNextChangeNotification(change))
                disarm();
            owner.rescan(true);
        } else if (woken == WAIT_TIMEOUT) {
            if (!isDirectory(owner.busDir_))
                disarm();
        } else {
            disarm();
        }
    }
}

bool SimWatcher::Native::arm()
{
    if (!isDirectory(owner.busDir_))
        return false;
    change = ::FindFirstChangeNotificationA(owner.busDir_.c_str(), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
    return change != INVALID_HANDLE_VALUE;
}

void SimWatcher::Native::disarm()
{
    if (change != INVALID_HANDLE_VALUE)
        ::FindCloseChangeNotification(change);
    change = INVALID_HANDLE_VALUE;
}

}
