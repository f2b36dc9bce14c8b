#ifndef FELDMOOR_SIMBIT_GENERATED_CONTENT_H
#define FELDMOOR_SIMBIT_GENERATED_CONTENT_H

#include <cstdint>
#include <vector>

// Configuration data that starts like a real Xilinx stream (dummy words,
// bus-width pattern, sync word) and continues with seeded noise; cut to
// `size` bytes.
std::vector<std::uint8_t> configurationData(std::uint64_t seed, std::size_t size);

// A raw flash image of seeded noise; never all 0xFF, so that it cannot be
// mistaken for an erased flash.
std::vector<std::uint8_t> rawImage(std::uint64_t seed, std::size_t size);

#endif
