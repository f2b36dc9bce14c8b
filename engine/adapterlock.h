#ifndef FELDMOOR_ENGINE_ADAPTERLOCK_H
#define FELDMOOR_ENGINE_ADAPTERLOCK_H

#include "adapter/attachedadapters.h"

#include "download/killcommand.h"

#include <QList>
#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace engine {

// Who holds an adapter's lock: a loader, or the window.
struct LockHolder {
    qint64 pid = 0;
    bool loader = false;  // feldmoor-cli; else the window
};

// Each adapter a loader or the window works with is locked while it works,
// so that another one refuses it at start instead of fighting over it.
class AdapterLocks {
public:
    // Nothing when the adapter is now ours; else who holds it.
    std::optional<LockHolder> lock(const feldmoor::AdapterIdentity &identity);
    void unlockAll() { locks_.clear(); }
    bool holdsAny() const { return !locks_.empty(); }

private:
    std::vector<std::unique_ptr<QLockFile>> locks_;
};

// The live processes holding an adapter lock now, this one included.
QList<LockHolder> adapterLockHolders();

// The programming tools that live loaders holding a lock run, and the rest,
// for a run's end that must not cut a loader's write off.
SparedTools sparedLoaderTools();

// The application name that marks a lock as a loader's.
inline constexpr char kLoaderApplicationName[] = "feldmoor-cli";

} // namespace engine

#endif
