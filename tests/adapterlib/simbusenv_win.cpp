#include "simbusenv.h"

#include <cstdlib>

void useSimulatedBus(const std::string &busDir)
{
    ::_putenv_s("QB562_SIM_DIR", busDir.c_str());
}
