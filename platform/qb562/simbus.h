#ifndef FELDMOOR_QB562_SIMBUS_H
#define FELDMOOR_QB562_SIMBUS_H

// The layout of a simulated bus: adapter N is attached while the bus
// directory holds a subdirectory named "adapter<N>".

#include <string>

namespace qb562 {

std::string adapterDirName(unsigned index);

// The index a directory entry stands for, or -1. Only the plain decimal
// spelling of 0 to 15 counts, so "adapter01" is not adapter 1 and two entries
// can never name the same adapter.
int adapterIndexFromDirName(const char *name);

// Symbolic links do not count: inotify reports them as plain entries, and the
// attached state must agree with the plug events.
bool adapterPresent(const std::string &busDir, unsigned index);

}

#endif
