#ifndef FELDMOOR_QB562_USBHOTPLUG_H
#define FELDMOOR_QB562_USBHOTPLUG_H

// The event thread of the USB backend: runs libusb's event loop and passes
// its hotplug reports on to the registered callbacks.

#include "adapter/qb562.h"

#include <libusb.h>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace qb562 {

class NotifyRegistry;

class UsbHotplug {
public:
    UsbHotplug(libusb_context *context, NotifyRegistry &registry);
    UsbHotplug(const UsbHotplug &) = delete;
    UsbHotplug &operator=(const UsbHotplug &) = delete;

    // Registers with libusb before returning, so nothing plugged after this
    // call is missed, then starts the detached event thread.
    bool start();

private:
    static int LIBUSB_CALL onHotplug(libusb_context *context, libusb_device *device,
                                     libusb_hotplug_event event, void *self);
    void run();
    void deliverPending();

    libusb_context *const context_;
    NotifyRegistry &registry_;
    // libusb reports from inside its event handling, where opening or closing
    // a device would deadlock, so reports wait here until that has returned.
    std::mutex pendingMutex_;
    std::vector<std::pair<std::string, ULONG>> pending_;
};

}

#endif
