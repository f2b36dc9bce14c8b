#ifndef FELDMOOR_ADAPTERLIB_SIMBUSENV_H
#define FELDMOOR_ADAPTERLIB_SIMBUSENV_H

#include <string>

// Points the adapter library at `busDir` (QB562_SIM_DIR). Only effective
// before the first call into the library, which reads it once.
void useSimulatedBus(const std::string &busDir);

#endif
