#ifndef FELDMOOR_QB562_HARDWAREBACKEND_H
#define FELDMOOR_QB562_HARDWAREBACKEND_H

// The backend used when no simulated bus is named: real adapters where this
// library can reach them.

#include "backend.h"

#include <memory>

namespace qb562 {

std::unique_ptr<Backend> makeHardwareBackend();

}

#endif
