#include "engine/adapterchoice.h"

#include <algorithm>

namespace engine {

bool isAttached(const AdapterSelection &selection, const std::vector<feldmoor::AdapterIdentity> &attached)
{
    return std::any_of(attached.begin(), attached.end(), [&](const feldmoor::AdapterIdentity &a) {
        const QString serial = QString::fromStdString(a.serial);
        if (!selection.serial.isEmpty())
            return serial == selection.serial;
        return selection.usbLocation.isEmpty() || QString::fromStdString(a.location) == selection.usbLocation;
    });
}

} // namespace engine
