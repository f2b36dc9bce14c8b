#ifndef FELDMOOR_QB562_SIMBACKEND_H
#define FELDMOOR_QB562_SIMBACKEND_H

// Adapters simulated by directories, for tests and for machines without the
// hardware (see simbus.h for the layout).

#include "adapterslots.h"
#include "backend.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>

namespace qb562 {

class SimWatcher;

class SimBackend final : public Backend {
public:
    explicit SimBackend(std::string busDir);
    ~SimBackend() override;

    std::intptr_t open(ULONG index) override;
    bool close(ULONG index) override;
    bool startEvents(NotifyRegistry &registry) override;

private:
    const std::string busDir_;
    std::mutex mutex_;
    std::array<bool, kAdapterSlots> open_{};
    std::unique_ptr<SimWatcher> watcher_;
};

}

#endif
