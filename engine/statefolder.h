#ifndef FELDMOOR_ENGINE_STATEFOLDER_H
#define FELDMOOR_ENGINE_STATEFOLDER_H

#include <QByteArray>
#include <QString>

namespace engine {

// This user's folder for what the loader must find again after a run that
// did not end well (the old contents of a sector a cut-off write erased),
// as each platform names it: $XDG_STATE_HOME/feldmoor, else
// ~/.local/state/feldmoor; %LOCALAPPDATA%\feldmoor on Windows. Made when
// missing; empty (with `error`) when it can't be.
QString stateFolder(QString &error);

// Writes `bytes` as `path` so that they outlive a crash of the system, not
// only of this process: into a file beside it, pushed to the disk, renamed
// over `path` in one step, and the folder's entry pushed too where the
// platform keeps it apart. `path` is its old self or the whole new file.
bool writeDurably(const QString &path, const QByteArray &bytes, QString &error);

} // namespace engine

#endif
