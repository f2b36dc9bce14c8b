#ifndef FELDMOOR_BENCH_MONOTONICCLOCK_H
#define FELDMOOR_BENCH_MONOTONICCLOCK_H

#include <cstdint>

// Nanoseconds on CLOCK_MONOTONIC. Every process on the machine reads the same
// clock, so a time stamped by the programming tool stand-in compares directly
// with one stamped inside the window's process.
std::int64_t monotonicNanoseconds();

#endif
