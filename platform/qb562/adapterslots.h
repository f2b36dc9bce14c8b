#ifndef FELDMOOR_QB562_ADAPTERSLOTS_H
#define FELDMOOR_QB562_ADAPTERSLOTS_H

namespace qb562 {

// Callers address adapters by index 0 to 15; the window probes exactly these,
// so the library keeps open-state for no more than that.
constexpr unsigned kAdapterSlots = 16;

}

#endif
