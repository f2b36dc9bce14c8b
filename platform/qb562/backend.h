#ifndef FELDMOOR_QB562_BACKEND_H
#define FELDMOOR_QB562_BACKEND_H

// Where adapters come from: real USB devices or a simulated bus. One is chosen
// on the first call into the library and kept for the life of the process.

#include "adapter/qb562.h"

#include <cstdint>

namespace qb562 {

class NotifyRegistry;

class Backend {
public:
    virtual ~Backend() = default;

    // Thread-safe. -1 when there is no adapter at `index` or it cannot be opened.
    virtual std::intptr_t open(ULONG index) = 0;
    // Thread-safe. False when the adapter at `index` was not open.
    virtual bool close(ULONG index) = 0;

    // Starts the process's one event thread, which reports every plug and
    // unplug to `registry` from then on. Called at most once. The thread is
    // detached and never stopped, so the backend must outlive the process.
    virtual bool startEvents(NotifyRegistry &registry) = 0;
};

}

#endif
