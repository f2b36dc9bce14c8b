#ifndef FELDMOOR_SIMBIT_PSEUDO_RANDOM_H
#define FELDMOOR_SIMBIT_PSEUDO_RANDOM_H

#include <cstdint>
#include <string>

// SplitMix64: small, fast and the same on every platform, so generated files
// are reproducible byte for byte from their seed.
class PseudoRandom {
public:
    explicit PseudoRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next();

    // A seed derived from text (FNV-1a), for contents that follow a name.
    static std::uint64_t seedFrom(const std::string &text);

private:
    std::uint64_t state_;
};

#endif
