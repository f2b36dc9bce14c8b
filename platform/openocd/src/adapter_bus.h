#ifndef FELDMOOR_OPENOCD_ADAPTER_BUS_H
#define FELDMOOR_OPENOCD_ADAPTER_BUS_H

#include "adapter/attachedadapters.h"

#include <optional>
#include <string>
#include <vector>

// OpenOCD's generic adapter selection (`adapter usb location`, `adapter
// serial`); an empty field asks for nothing.
struct AdapterSelector {
    std::string location;
    std::string serial;

    bool empty() const { return location.empty() && serial.empty(); }
    bool matches(const feldmoor::AdapterIdentity &adapter) const;
    // "USB location 1-2 and serial "A1"", for messages.
    std::string describe() const;
};

// The lowest adapter index the QB562 library can open, or nothing when none
// is attached.
std::optional<unsigned> lowestAttachedAdapter();

// The attached adapter `selector` picks, as a libusb-based driver picks one:
// the first in index order whose location and serial both match what was
// given. Throws SimError naming what was asked for and what is attached.
unsigned selectedAdapter(const AdapterSelector &selector);

#endif
