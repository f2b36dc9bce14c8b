#ifndef FELDMOOR_QB562_NOTIFYREGISTRY_H
#define FELDMOOR_QB562_NOTIFYREGISTRY_H

// The callbacks that asked to hear about plugs and unplugs. Registrations are
// never withdrawn: the contract has no call for it.

#include "adapter/qb562.h"

#include <mutex>
#include <string>
#include <vector>

namespace qb562 {

constexpr ULONG kDeviceArrived = kQB562DeviceArrived;
constexpr ULONG kDeviceRemoved = kQB562DeviceRemoved;

class NotifyRegistry {
public:
    // Returns false when the same filter text and callback are already
    // registered; the caller still gets one call per event.
    bool add(const std::string &filter, QB562DeviceNotifyCallback callback);

    // Calls every callback whose filter matches `deviceId`. Only the event
    // thread dispatches, which keeps callbacks from overlapping; no lock is held
    // while they run, so they may call back into the library.
    void dispatch(const std::string &deviceId, ULONG status) const;

private:
    struct Registration {
        std::string filter;
        QB562DeviceNotifyCallback callback;
    };

    mutable std::mutex mutex_;
    std::vector<Registration> registrations_;
};

}

#endif
