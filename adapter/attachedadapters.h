#ifndef FELDMOOR_ATTACHEDADAPTERS_H
#define FELDMOOR_ATTACHEDADAPTERS_H

// Which QB562 adapters are attached, and where each one sits on USB: asked by
// the window's start-up probe, the command-line loader and the OpenOCD
// simulator alike. Plain C++, so the simulator, which has no Qt, shares it.

#include <string>
#include <vector>

namespace feldmoor {

// Every index from 0 to kQB562AdapterSlots - 1 that the adapter library can
// open, in increasing order. Each index is probed, even after a hit, and each
// successful open is closed again at once: nothing is kept open.
std::vector<unsigned> attachedAdapterIndices();

struct AdapterIdentity {
    unsigned index = 0;
    // OpenOCD's form, what `adapter usb location` takes: libusb's bus number,
    // a '-', then the port path from the root hub joined by '.' ("1-3.2").
    // Empty when the system does not say where the adapter is.
    std::string location;
    // The USB serial number; empty when the adapter has none or it cannot be
    // read (many adapters of this kind have none).
    std::string serial;
};

// The attached adapters (attachedAdapterIndices()) with their identities.
// On a simulated bus (QB562_SIM_DIR set, as the adapter library decides),
// adapter N's folder says them: the first line of `usb-location` (else
// defaultSimulatedLocation(N)) and of `serial` (else none).
std::vector<AdapterIdentity> attachedAdapters();

// Where a simulated adapter without a `usb-location` file sits: "1-<N+1>",
// so that every adapter of a bus has a location of its own.
std::string defaultSimulatedLocation(unsigned index);

}

#endif
