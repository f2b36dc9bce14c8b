#ifndef FELDMOOR_ULONG_H
#define FELDMOOR_ULONG_H

// The adapter notifications carry their event status as ULONG. On Windows that
// is the platform's own 32-bit type; elsewhere it must stay 32 bits wide too,
// so `unsigned long` (64 bits on LP64 systems) is not an option there.
#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
typedef std::uint32_t ULONG;
#endif

#endif
