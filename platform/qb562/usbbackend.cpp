#include "usbbackend.h"

#include "deviceid.h"
#include "usbhotplug.h"

#include <cstdio>
#include <libusb.h>
#include <vector>

namespace qb562 {

namespace {

constexpr char kUdevRuleHint[] =
    "the udev rule 60-qb562.rules grants access (the feldmoor package installs it; from a build tree, "
    "copy build/packaging/linux/60-qb562.rules to /etc/udev/rules.d/); then replug the adapter";

std::vector<UsbIds> describe(libusb_device *const *devices, ssize_t count)
{
    std::vector<UsbIds> ids;
    ids.reserve(static_cast<std::size_t>(count));
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        // A device whose descriptor cannot be read is no adapter we can use,
        // but it keeps its place so positions still line up with `devices`.
        if (libusb_get_device_descriptor(devices[i], &descriptor) != LIBUSB_SUCCESS)
            ids.push_back({0, 0});
        else
            ids.push_back({descriptor.idVendor, descriptor.idProduct});
    }
    return ids;
}

void reportOpenFailure(ULONG index, libusb_device *device, int error)
{
    const int bus = libusb_get_bus_number(device);
    const int address = libusb_get_device_address(device);
    if (error == LIBUSB_ERROR_ACCESS) {
        std::fprintf(stderr, "qb562: no permission to open the adapter at index %u (USB bus %d device %d); %s\n",
                     static_cast<unsigned>(index), bus, address, kUdevRuleHint);
    } else {
        std::fprintf(stderr, "qb562: cannot open the adapter at index %u (USB bus %d device %d): %s\n",
                     static_cast<unsigned>(index), bus, address, libusb_strerror(error));
    }
}

}

UsbBackend::UsbBackend() = default;

// Never runs in practice (the backend lives as long as the process), but the
// hotplug member's type must be complete where the destructor is defined.
UsbBackend::~UsbBackend() = default;

libusb_context *UsbBackend::context()
{
    if (!contextTried_) {
        contextTried_ = true;
        const int error = libusb_init(&context_);
        if (error != LIBUSB_SUCCESS) {
            context_ = nullptr;
            std::fprintf(stderr, "qb562: USB is not usable here (%s); no adapter can be opened\n",
                         libusb_strerror(error));
        }
    }
    return context_;
}

std::intptr_t UsbBackend::open(ULONG index)
{
    if (index >= kAdapterSlots)
        return -1;
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::intptr_t handle = static_cast<std::intptr_t>(index) + 1;
    if (handles_[index] != nullptr)
        return handle;
    libusb_context *usb = context();
    if (usb == nullptr)
        return -1;

    libusb_device **devices = nullptr;
    const ssize_t count = libusb_get_device_list(usb, &devices);
    if (count < 0) {
        std::fprintf(stderr, "qb562: cannot list USB devices: %s\n",
                     libusb_strerror(static_cast<int>(count)));
        return -1;
    }
    const std::optional<std::size_t> position = adapterPosition(describe(devices, count), index);
    int error = LIBUSB_ERROR_NOT_FOUND;
    if (position) {
        error = libusb_open(devices[*position], &handles_[index]);
        if (error != LIBUSB_SUCCESS) {
            handles_[index] = nullptr;
            reportOpenFailure(index, devices[*position], error);
        }
    }
    libusb_free_device_list(devices, 1);
    return error == LIBUSB_SUCCESS ? handle : -1;
}

bool UsbBackend::close(ULONG index)
{
    if (index >= kAdapterSlots)
        return false;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (handles_[index] == nullptr)
        return false;
    libusb_close(handles_[index]);
    handles_[index] = nullptr;
    return true;
}

bool UsbBackend::startEvents(NotifyRegistry &registry)
{
    libusb_context *usb = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        usb = context();
    }
    if (usb == nullptr || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG))
        return false;
    hotplug_ = std::make_unique<UsbHotplug>(usb, registry);
    return hotplug_->start();
}

}
