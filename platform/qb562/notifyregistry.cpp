#include "notifyregistry.h"

#include "deviceid.h"

#include <algorithm>

namespace qb562 {

bool NotifyRegistry::add(const std::string &filter, QB562DeviceNotifyCallback callback)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const bool known = std::any_of(registrations_.begin(), registrations_.end(),
                                   [&](const Registration &r) {
                                       return r.callback == callback && r.filter == filter;
                                   });
    if (known)
        return false;
    registrations_.push_back({filter, callback});
    return true;
}

void NotifyRegistry::dispatch(const std::string &deviceId, ULONG status) const
{
    std::vector<Registration> snapshot;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        snapshot = registrations_;
    }
    for (const Registration &registration : snapshot) {
        if (deviceIdMatches(deviceId, registration.filter.c_str()))
            registration.callback(status);
    }
}

}
