#include "simwatcher.h"

#include "deviceid.h"
#include "notifyregistry.h"
#include "simbus.h"

// What the watch reports, shared by every platform's way of watching; the
// watch itself lives beside the platform's Native.

namespace qb562 {

SimWatcher::SimWatcher(std::string busDir, NotifyRegistry &registry)
    : busDir_(std::move(busDir))
    , deviceId_(deviceIdText(kAdapterVendorId, kAdapterProductId))
    , registry_(registry)
{
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
