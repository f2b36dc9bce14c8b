#ifndef FELDMOOR_OPENOCD_SIM_ERROR_H
#define FELDMOOR_OPENOCD_SIM_ERROR_H

#include <stdexcept>
#include <string>

// Every refusal of the simulator travels as an exception up to the Tcl command
// that caused it, which turns it into the command's error message.
class SimError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The adapter's folder vanished while the program was using it: the simulated
// counterpart of pulling the USB plug.
class AdapterLost : public SimError {
public:
    using SimError::SimError;
};

#endif
