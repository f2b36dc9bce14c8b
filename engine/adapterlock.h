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

// An adapter as this machine's loaders and windows tell it from the others:
// its location and serial on its bus, as a short name.
QString adapterKey(const feldmoor::AdapterIdentity &identity);

// Who holds an adapter's lock: a loader, or the window; or, with the lock
// free, a tool that a loader which has ended left running on the adapter.
struct LockHolder {
    qint64 pid = 0;
    bool loader = false;        // feldmoor-cli; else the window
    bool orphanedTool = false;  // `pid` is that tool, whose loader is gone
};

// Each adapter a loader or the window works with is locked while it works,
// so that another one refuses it at start instead of fighting over it. The
// locks are in one place per machine (lockfolder.h), named after the
// adapter's identity and the simulated bus's real path.
class AdapterLocks {
public:
    AdapterLocks() = default;
    ~AdapterLocks();
    AdapterLocks(const AdapterLocks &) = delete;
    AdapterLocks &operator=(const AdapterLocks &) = delete;

    // Nothing when the adapter is now ours; else who holds it. A tool that
    // an earlier holder, now gone, left running there is waited for a
    // moment, then named instead of taking the lock.
    std::optional<LockHolder> lock(const feldmoor::AdapterIdentity &identity);
    // A tool this process runs on a locked adapter, written beside its lock
    // so that whoever takes the adapter after an unforeseen end of this
    // process knows what to wait for.
    void noteTool(const feldmoor::AdapterIdentity &identity, qint64 pid);
    void unlockAll();
    bool holdsAny() const { return !locks_.empty(); }

private:
    struct Held {
        QString key;
        std::unique_ptr<QLockFile> file;
        QString toolsPath;
    };
    std::vector<Held> locks_;
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
