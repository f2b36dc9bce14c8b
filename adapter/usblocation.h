#ifndef FELDMOOR_USBLOCATION_H
#define FELDMOOR_USBLOCATION_H

// Turning what a system says about a USB device into OpenOCD's terms. Pure
// functions, built on every platform so that the Windows half can be tried
// on canned strings anywhere.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace feldmoor {

// "<bus>-<port>.<port>...": how OpenOCD spells a device's place for `adapter
// usb location` (libusb's bus number and port path; OpenOCD compares at most
// 15 characters of it).
std::string usbLocationText(unsigned bus, const std::vector<unsigned> &ports);

// A device's place as Windows' location paths give it: the root hub it hangs
// off ("PCIROOT(0)#PCI(1400)#USBROOT(0)") and the ports from there (3, 2).
struct UsbPortPath {
    std::string rootHub;
    std::vector<unsigned> ports;
};

// The first path under a USB root hub among `paths`, the REG_MULTI_SZ of
// SPDRP_LOCATION_PATHS (NUL-separated, e.g.
// "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(2)\0ACPI(_SB_)#...\0\0").
// Nothing when no path names a root hub followed by at least one port.
std::optional<UsbPortPath> usbPortPathFromLocationPaths(std::string_view paths);

// The OpenOCD location of a device whose location paths are `paths`, its bus
// numbered the way libusb numbers Windows' buses: the root hubs, in the order
// the system lists them (`rootHubs`, each hub's own location path), from 1.
// Empty when the device or its hub cannot be placed.
std::string usbLocationFromLocationPaths(std::string_view paths, const std::vector<std::string> &rootHubs);

// What a device instance id says about an adapter (vendor and product
// `hardwareId`, e.g. "VID_1A86&PID_55DD"): nothing when the id is not that
// device's own node (another device, or one of its interfaces, "...&MI_00");
// else its serial number, which is empty when the last part holds '&': Windows
// made that id up because the device reports no serial ("5&2a1b3c4&0&2").
// Windows keeps ids in upper case, so a serial read from one may differ in
// case from what the device itself reports.
std::optional<std::string> adapterSerialFromInstanceId(std::string_view instanceId, std::string_view hardwareId);

}

#endif
