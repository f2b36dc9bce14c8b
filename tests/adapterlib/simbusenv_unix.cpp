#include "simbusenv.h"

#include <cstdlib>

void useSimulatedBus(const std::string &busDir)
{
    ::setenv("QB562_SIM_DIR", busDir.c_str(), 1);
}
