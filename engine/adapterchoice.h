#ifndef FELDMOOR_ENGINE_ADAPTERCHOICE_H
#define FELDMOOR_ENGINE_ADAPTERCHOICE_H

#include "adapter/attachedadapters.h"

#include "download/commandcomposition.h"

#include <vector>

namespace engine {

// Whether the adapter a job runs on is still there.
bool isAttached(const AdapterSelection &selection, const std::vector<feldmoor::AdapterIdentity> &attached);

} // namespace engine

#endif
