#ifndef FELDMOOR_QB562_H
#define FELDMOOR_QB562_H

// The three functions of the adapter vendor's library (QB562DLLA64.DLL) that
// the window calls, declared from their documented contract. On Linux the
// library of platform/qb562 exports the same functions.

#include "ulong.h"

#include <cstdint>

// Callers address adapters by index 0 to kQB562AdapterSlots - 1.
inline constexpr ULONG kQB562AdapterSlots = 16;

// The statuses a notification callback receives.
inline constexpr ULONG kQB562DeviceArrived = 3;
inline constexpr ULONG kQB562DeviceRemoved = 0;

extern "C" {

// Called once per plug (kQB562DeviceArrived) or unplug (kQB562DeviceRemoved) of a matching adapter,
// on a thread of the library's choosing.
typedef void (*QB562DeviceNotifyCallback)(ULONG iEventStatus);

// Opens the adapter at `index`. The result is pointer-sized; -1 means
// there is no adapter at that index, anything else that there is one.
std::intptr_t QB562OpenDevice(ULONG index);

// Closes the adapter at `index` after a successful open.
bool QB562CloseDevice(ULONG index);

// Registers `callback` for every plug and unplug of a device whose identifier
// ("VID_vvvv&PID_pppp") contains `deviceId`. Never withdrawn.
bool QB562SetDeviceNotify(ULONG index, const char *deviceId, QB562DeviceNotifyCallback callback);

}

#endif
