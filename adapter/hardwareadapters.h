#ifndef FELDMOOR_HARDWAREADAPTERS_H
#define FELDMOOR_HARDWAREADAPTERS_H

// Where the real adapters at `indices` sit, asked of the system: libusb on
// Linux, SetupAPI on Windows (whose vendor library reports indices only).
// One file per platform; an index the system cannot place keeps an empty
// location and serial.

#include "adapter/attachedadapters.h"

#include <vector>

namespace feldmoor {

std::vector<AdapterIdentity> hardwareAdapterIdentities(const std::vector<unsigned> &indices);

}

#endif
