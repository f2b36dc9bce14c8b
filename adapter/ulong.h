#ifndef FELDMOOR_ULONG_H
#define FELDMOOR_ULONG_H

// The adapter notifications carry their event status as ULONG: 32 bits wide
// everywhere. On Windows this repeats the platform's own definition (a
// repeated typedef of the same type is allowed), so <windows.h> and its
// macros stay out of every file that includes this one. Elsewhere
// `unsigned long` is 64 bits on LP64 systems, so a fixed-width type is used.
#ifdef _WIN32
typedef unsigned long ULONG;
#else
#include <cstdint>
typedef std::uint32_t ULONG;
#endif

#endif
