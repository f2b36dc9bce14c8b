#ifndef FELDMOOR_SIMBIT_GENERATED_CONTENT_H
#define FELDMOOR_SIMBIT_GENERATED_CONTENT_H

#include <cstdint>
#include <vector>

// Configuration data that starts like a real Xilinx stream (dummy words,
// bus-width pattern, sync word) and continues with seeded noise; cut to
// `size` bytes.
std::vector<std::uint8_t> configurationData(std::uint64_t seed, std::size_t size);

// How many bytes of configurationData come before its noise, sync word
// included.
constexpr std::size_t kConfigurationPreambleBytes = 56;

// A 7-series (or UltraScale) stream as a configuration logic judges it: the
// preamble and sync word, the type-1 write of the part's IDCODE (which the
// FPGA checks against its own), for a proxy the JTAG-to-SPI bridge's marker
// in the user access register, the frame data (seeded noise) as a type-2
// FDRI write, then START and DESYNC; `size` bytes in all. A size too small
// for all of it gives the stream cut short, which never reaches START.
std::vector<std::uint8_t> sevenSeriesStream(std::uint64_t seed, std::size_t size, std::uint32_t idcode, bool proxy);

// What the proxy writes to the user access register (AXSS), "JSPI".
constexpr std::uint32_t kProxyMarker = 0x4a535049u;

// A raw flash image of seeded noise; never all 0xFF, so that it cannot be
// mistaken for an erased flash.
std::vector<std::uint8_t> rawImage(std::uint64_t seed, std::size_t size);

#endif
