// On Windows this library only simulates: real adapters are served by the
// vendor's own QB562DLLA64.DLL. Without a simulated bus it acts as a machine
// with nothing plugged in.

#include "hardwarebackend.h"

namespace qb562 {

namespace {

class NoHardwareBackend final : public Backend {
public:
    std::intptr_t open(ULONG) override { return -1; }
    bool close(ULONG) override { return false; }
    bool startEvents(NotifyRegistry &) override { return true; }
};

}

std::unique_ptr<Backend> makeHardwareBackend()
{
    return std::make_unique<NoHardwareBackend>();
}

}
