#ifndef FELDMOOR_OPENOCD_CHUNK_GAP_H
#define FELDMOOR_OPENOCD_CHUNK_GAP_H

#include <chrono>

// The least time the program keeps between two writes of its output (see
// Console). On its own so that the window's suites, which read that output,
// can hold it without Console, whose emit() clashes with Qt's keyword.
// The window itself needs 2 ms; the margin is for a reader that is busy or
// descheduled for a moment, which on a loaded machine is often 10 to 30 ms.
// It costs this much per line and per progress report even at time scale 0
// (at most 256 reports for any image size: about 3 s for 16 MiB).
namespace chunk_gap {
inline constexpr std::chrono::microseconds kChunkGap{10000};
}

#endif
