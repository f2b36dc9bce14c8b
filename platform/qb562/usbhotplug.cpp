#include "usbhotplug.h"

#include "deviceid.h"
#include "notifyregistry.h"

#include <system_error>
#include <thread>

namespace qb562 {

UsbHotplug::UsbHotplug(libusb_context *context, NotifyRegistry &registry)
    : context_(context)
    , registry_(registry)
{
}

bool UsbHotplug::start()
{
    // Matching on every device: callers' filters are substrings, which
    // libusb's exact vendor/product matching cannot express.
    const int error = libusb_hotplug_register_callback(
        context_,
        static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        static_cast<libusb_hotplug_flag>(0), LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
        LIBUSB_HOTPLUG_MATCH_ANY, &UsbHotplug::onHotplug, this, nullptr);
    if (error != LIBUSB_SUCCESS)
        return false;
    try {
        std::thread([this] { run(); }).detach();
    } catch (const std::system_error &) {
        return false;
    }
    return true;
}

int LIBUSB_CALL UsbHotplug::onHotplug(libusb_context *, libusb_device *device,
                                      libusb_hotplug_event event, void *self)
{
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS)
        return 0;
    auto *hotplug = static_cast<UsbHotplug *>(self);
    const ULONG status = event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED ? kDeviceArrived : kDeviceRemoved;
    const std::lock_guard<std::mutex> lock(hotplug->pendingMutex_);
    hotplug->pending_.emplace_back(deviceIdText(descriptor.idVendor, descriptor.idProduct), status);
    return 0; // stay registered
}

void UsbHotplug::run()
{
    for (;;) {
        const int error = libusb_handle_events(context_);
        if (error != LIBUSB_SUCCESS && error != LIBUSB_ERROR_INTERRUPTED)
            return;
        deliverPending();
    }
}

void UsbHotplug::deliverPending()
{
    std::vector<std::pair<std::string, ULONG>> reports;
    {
        const std::lock_guard<std::mutex> lock(pendingMutex_);
        reports.swap(pending_);
    }
    for (const auto &[deviceId, status] : reports)
        registry_.dispatch(deviceId, status);
}

}
