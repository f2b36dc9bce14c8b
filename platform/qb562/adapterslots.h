#ifndef FELDMOOR_QB562_ADAPTERSLOTS_H
#define FELDMOOR_QB562_ADAPTERSLOTS_H

#include "adapter/qb562.h"

namespace qb562 {

// The window probes exactly the indices callers may name, so the library
// keeps open-state for no more than that.
constexpr unsigned kAdapterSlots = kQB562AdapterSlots;

}

#endif
