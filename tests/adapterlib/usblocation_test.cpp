// What Windows says about an adapter, turned into OpenOCD's location and a
// serial number, on strings as SetupAPI gives them.

#include "adapter/usblocation.h"
#include "testreport.h"

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

const std::vector<std::string> kRootHubs{"PCIROOT(0)#PCI(1400)#USBROOT(0)", "PCIROOT(0)#PCI(1A00)#USBROOT(0)"};

void locations(TestReport &t)
{
    const auto location = [](const std::string &paths) { return feldmoor::usbLocationFromLocationPaths(paths, kRootHubs); };
    t.check(location("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(2)\0ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)\0\0"s) == "1-3.2",
            "behind a hub on the first root hub", location("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)#USB(2)\0\0"s));
    t.check(location("ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)#ACPI(RHUB)#ACPI(HS03)\0PCIROOT(0)#PCI(1A00)#USBROOT(0)#USB(11)\0\0"s) ==
                "2-11",
            "the path under a root hub is found among others, its bus numbered by the hub's place");
    t.check(location("pciroot(0)#pci(1a00)#usbroot(0)#usb(1)\0\0"s) == "2-1", "hub paths compared without case");
    t.check(location("PCIROOT(0)#PCI(1C00)#USBROOT(0)#USB(1)\0\0"s).empty(), "a hub the system did not list: no location");
    t.check(location("PCIROOT(0)#PCI(1400)#USBROOT(0)\0\0"s).empty(), "the root hub itself has no port");
    t.check(location("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(x)\0\0"s).empty() &&
                location("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(0)\0\0"s).empty() &&
                location("PCIROOT(0)#PCI(1400)#USBROOT(0)#USBMI(1)\0\0"s).empty() && location(""s).empty(),
            "malformed ports and empty paths give no location");
    t.check(feldmoor::usbLocationText(3, {1, 4, 2}) == "3-1.4.2", "OpenOCD's spelling of a port path");
}

void serials(TestReport &t)
{
    const auto serial = [](const char *id) { return feldmoor::adapterSerialFromInstanceId(id, "VID_1A86&PID_55DD"); };
    t.check(serial("USB\\VID_1A86&PID_55DD\\QB5620042") == std::optional<std::string>("QB5620042"), "serial number kept");
    t.check(serial("usb\\vid_1a86&pid_55dd\\A1") == std::optional<std::string>("A1"), "ids compared without case");
    t.check(serial("USB\\VID_1A86&PID_55DD\\5&2A1B3C4&0&2") == std::optional<std::string>(""),
            "an id Windows made up means no serial");
    t.check(!serial("USB\\VID_1A86&PID_55DD&MI_00\\6&1F2E3D&0&0000") && !serial("USB\\VID_1A86&PID_7523\\5&1&0&1") &&
                !serial("HID\\VID_1A86&PID_55DD\\A1") && !serial("USB\\VID_1A86&PID_55DD\\") &&
                !serial("USB\\VID_1A86&PID_55DD"),
            "interfaces, other devices and malformed ids are not adapters");
}

}  // namespace

int main()
{
    TestReport t("adapterlib_usblocation");
    locations(t);
    serials(t);
    return t.finish();
}
