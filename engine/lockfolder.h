#ifndef FELDMOOR_ENGINE_LOCKFOLDER_H
#define FELDMOOR_ENGINE_LOCKFOLDER_H

#include <QString>

namespace engine {

// Where every loader and window of this machine keeps its adapter locks,
// which differs per platform (lockfolder_unix.cpp, lockfolder_win.cpp). It
// depends on nothing in the environment: two programs with different
// temporary folders must still find each other's locks.
QString machineLockFolder();

} // namespace engine

#endif
