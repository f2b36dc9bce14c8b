#ifndef FELDMOOR_CLI_ADAPTERLOCK_H
#define FELDMOOR_CLI_ADAPTERLOCK_H

#include "adapter/attachedadapters.h"

#include <QLockFile>
#include <QString>

#include <memory>
#include <vector>

namespace cli {

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

} // namespace cli

#endif
