#ifndef FELDMOOR_ENGINE_CHILDPROCESS_H
#define FELDMOOR_ENGINE_CHILDPROCESS_H

#include <QProcess>

namespace engine {

// How a programming tool is started and judged, which differs per platform
// (childprocess_unix.cpp, childprocess_win.cpp).

// Starts the child outside the console's interrupts, and bound to this
// process's life: the program that runs it decides when it ends, and ends
// only that one; when this process goes, however it goes (a kill, a crash,
// a closed terminal), the child goes with it, since a tool left running
// would go on erasing a flash that the next job already counts on.
void prepareChild(QProcess &process);

// Whether a child that ended so was killed (SIGKILL or SIGTERM); Windows
// does not tell a forced end from an exit code.
bool endedByKill(QProcess::ExitStatus status, int exitCode);

} // namespace engine

#endif
