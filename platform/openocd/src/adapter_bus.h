#ifndef FELDMOOR_OPENOCD_ADAPTER_BUS_H
#define FELDMOOR_OPENOCD_ADAPTER_BUS_H

#include <optional>

// The lowest adapter index the QB562 library can open (it is closed again at
// once), or nothing when none is attached.
std::optional<unsigned> lowestAttachedAdapter();

#endif
