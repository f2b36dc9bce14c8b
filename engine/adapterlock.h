#ifndef FELDMOOR_ENGINE_ADAPTERLOCK_H
#define FELDMOOR_ENGINE_ADAPTERLOCK_H

#include "adapter/attachedadapters.h"

#include <QLockFile>
#include <QString>

#include <memory>
#include <vector>

namespace engine {

// Each adapter a loader works with is locked for the loader's lifetime, so
// that a second loader refuses it at start instead of fighting over it.
class AdapterLocks {
public:
    // False, with `error` naming the adapter and the other loader's process,
    // when another loader holds it.
    bool lock(const feldmoor::AdapterIdentity &identity, QString &error);

private:
    std::vector<std::unique_ptr<QLockFile>> locks_;
};

} // namespace engine

#endif
