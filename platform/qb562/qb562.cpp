// The library's exported entry points. They pick the backend on first use and
// keep every exception on this side of the C boundary.

#include "adapter/qb562.h"

#include "backend.h"
#include "hardwarebackend.h"
#include "notifyregistry.h"
#include "simbackend.h"

#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

using qb562::Backend;
using qb562::NotifyRegistry;

std::unique_ptr<Backend> makeBackend()
{
    const char *simDir = std::getenv("QB562_SIM_DIR");
    if (simDir != nullptr && *simDir != '\0')
        return std::make_unique<qb562::SimBackend>(simDir);
    return qb562::makeHardwareBackend();
}

struct Library {
    std::unique_ptr<Backend> backend = makeBackend();
    NotifyRegistry registry;
    std::once_flag eventsStarted;
    bool eventsRunning = false;
};

Library &library()
{
    // Deliberately never destroyed: the detached event thread may still be
    // dispatching while the process runs its exit handlers. Being reachable
    // from this pointer keeps it out of leak reports.
    static Library *const instance = new Library;
    return *instance;
}

}

extern "C" {

__attribute__((visibility("default"))) std::intptr_t QB562OpenDevice(ULONG index)
{
    try {
        return library().backend->open(index);
    } catch (...) {
        return -1;
    }
}

__attribute__((visibility("default"))) bool QB562CloseDevice(ULONG index)
{
    try {
        return library().backend->close(index);
    } catch (...) {
        return false;
    }
}

// `index` is ignored: notifications concern every adapter, whichever index
// the caller names (the window always passes 0).
__attribute__((visibility("default"))) bool QB562SetDeviceNotify(ULONG, const char *deviceId,
                                                                 QB562DeviceNotifyCallback callback)
{
    if (deviceId == nullptr || callback == nullptr)
        return false;
    try {
        Library &lib = library();
        lib.registry.add(deviceId, callback);
        std::call_once(lib.eventsStarted,
                       [&lib] { lib.eventsRunning = lib.backend->startEvents(lib.registry); });
        return lib.eventsRunning;
    } catch (...) {
        return false;
    }
}

}
