#include "app/devicenotifycallback.h"

#include "adapter/qb562.h"
#include "app/widget.h"

#include <QDebug>

#include <thread>

namespace {

// Calls of deviceNotifyCallback under way. Counted before widgetInstance is
// read, so once the destructor has cleared the pointer and seen this at zero,
// no call can still hold the window.
std::atomic<int> &notificationsInFlight()
{
    static std::atomic<int> count{0};
    return count;
}

class InFlight
{
public:
    InFlight() { notificationsInFlight().fetch_add(1); }
    ~InFlight() { notificationsInFlight().fetch_sub(1); }
    InFlight(const InFlight &) = delete;
    InFlight &operator=(const InFlight &) = delete;
};

}

void deviceNotifyCallback(ULONG iEventStatus)
{
    const InFlight inFlight;
    Widget *widget = widgetInstance.load();
    if (!widget)
        return;

    // The flag first: the window's slot for the signal reads it (the Flash
    // menu's state), and may run before this thread gets past the emit.
    if (iEventStatus == kQB562DeviceArrived) {
        qDebug() << "检测到设备插入";
        widget->deviceConnected.store(true, std::memory_order_relaxed);
        emit widget->plugInfo(kQB562DeviceArrived);
    } else if (iEventStatus == kQB562DeviceRemoved) {
        qDebug() << "检测到设备拔出";
        widget->deviceConnected.store(false, std::memory_order_relaxed);
        emit widget->plugInfo(kQB562DeviceRemoved);
    }
}

void waitForDeviceNotifications()
{
    // A call in flight only emits a signal and stores a flag, so this wait is
    // a few microseconds at most.
    while (notificationsInFlight().load() != 0)
        std::this_thread::yield();
}
