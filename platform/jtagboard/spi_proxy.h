#ifndef FELDMOOR_JTAGBOARD_SPI_PROXY_H
#define FELDMOOR_JTAGBOARD_SPI_PROXY_H

#include "spi_nor.h"

#include <cstdint>

// The JTAG-to-SPI bridge of the proxy bitstream under USER1: each DR scan is
// one SPI transaction, framed as 0.12's jtagspi driver shifts it: bits up to
// a marker 1 are ignored, then a 32-bit length (bits - 1, MSB first), then
// exactly that many bits with chip select held. The flash's answer reaches
// TDO one clock later (one TAP in the chain).
class SpiProxy {
public:
    explicit SpiProxy(SpiNor &flash) : flash_(flash) {}

    void capture();
    // One Shift-DR clock; returns the TDO value for the next one.
    bool shift(bool tdi);
    // Leaving Shift-DR: chip select goes high.
    void endScan();

private:
    enum class Phase { Marker, Length, Data, Done };

    SpiNor &flash_;
    Phase phase_ = Phase::Done;
    std::uint32_t length_ = 0;
    unsigned lengthBits_ = 0;
    std::uint64_t dataLeft_ = 0;
    bool tdo_ = false;
};

#endif
