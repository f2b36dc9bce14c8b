// Real adapters on Linux: libusb lists them in the order the adapter library
// numbers them (platform/qb562/deviceid.h), and says where each one sits.

#include "adapter/hardwareadapters.h"

#include "adapter/usblocation.h"
#include "platform/qb562/deviceid.h"

#include <libusb.h>

namespace feldmoor {

namespace {

// Reading the descriptor needs the device opened, which needs permission
// (the udev rule); without it the serial stays unknown.
std::string serialOf(libusb_device *device, const libusb_device_descriptor &descriptor)
{
    if (descriptor.iSerialNumber == 0)
        return {};
    libusb_device_handle *handle = nullptr;
    if (libusb_open(device, &handle) != LIBUSB_SUCCESS)
        return {};
    unsigned char text[256] = {};
    const int length = libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, text, sizeof text);
    libusb_close(handle);
    return length > 0 ? std::string(reinterpret_cast<const char *>(text), static_cast<std::size_t>(length))
                      : std::string();
}

AdapterIdentity identityOf(unsigned index, libusb_device *device, const libusb_device_descriptor &descriptor)
{
    // USB 3 allows 7 levels of hubs below the root.
    std::uint8_t ports[7] = {};
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    AdapterIdentity identity{index, {}, serialOf(device, descriptor)};
    if (depth > 0)
        identity.location = usbLocationText(libusb_get_bus_number(device),
                                            std::vector<unsigned>(ports, ports + depth));
    return identity;
}

}

std::vector<AdapterIdentity> hardwareAdapterIdentities(const std::vector<unsigned> &indices)
{
    std::vector<AdapterIdentity> identities;
    for (unsigned index : indices)
        identities.push_back({index, {}, {}});
    libusb_context *usb = nullptr;
    if (libusb_init(&usb) != LIBUSB_SUCCESS)
        return identities;
    libusb_device **devices = nullptr;
    const ssize_t count = libusb_get_device_list(usb, &devices);
    if (count >= 0) {
        std::vector<libusb_device_descriptor> descriptors(static_cast<std::size_t>(count));
        std::vector<qb562::UsbIds> ids;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor &descriptor = descriptors[static_cast<std::size_t>(i)];
            // A device whose descriptor cannot be read keeps its place, as in
            // the adapter library, so that positions line up with its own.
            if (libusb_get_device_descriptor(devices[i], &descriptor) != LIBUSB_SUCCESS)
                descriptor = {};
            ids.push_back({descriptor.idVendor, descriptor.idProduct});
        }
        for (AdapterIdentity &identity : identities) {
            if (const std::optional<std::size_t> position = qb562::adapterPosition(ids, identity.index))
                identity = identityOf(identity.index, devices[*position], descriptors[*position]);
        }
        libusb_free_device_list(devices, 1);
    }
    libusb_exit(usb);
    return identities;
}

}
