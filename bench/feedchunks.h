#ifndef FELDMOOR_BENCH_FEEDCHUNKS_H
#define FELDMOOR_BENCH_FEEDCHUNKS_H

#include <cstdint>
#include <string>

// The image size the benchmark selects in the window; progress reports are
// byte counts out of it.
inline constexpr std::uint32_t progressImageBytes = 1000;

// The percentage the `index`th progress report should put on the bar: 1..100
// over and over, so that every report moves the bar and the bar's value tells
// which report was handled last.
int progressChunkPercent(int index);

// The byte count that report carries: half a percent above the whole one, so
// that the window's single-precision arithmetic cannot round it down a step.
int progressChunkValue(int index);

// The whole percentage for a report of `bytes`, in exact integer arithmetic.
int percentOfImage(int bytes);

// A progress report as the programming tool writes it: "0x%08X\r\n".
std::string progressChunk(int index);

// A line as OpenOCD prints it while scanning the JTAG chain.
std::string logChunk();

#endif
