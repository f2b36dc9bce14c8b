#ifndef FELDMOOR_DEVICENOTIFYCALLBACK_H
#define FELDMOOR_DEVICENOTIFYCALLBACK_H

#include "adapter/ulong.h"

// Called by the adapter library, on a thread of its choosing, for every plug
// (3) and unplug (0) of an adapter. Reaches the window through widgetInstance.
void deviceNotifyCallback(ULONG iEventStatus);

// Returns once no call of deviceNotifyCallback that may have seen the window
// is still running. The destructor calls it after clearing widgetInstance.
void waitForDeviceNotifications();

#endif
