// The USB backend's naming, filtering and adapter counting, and the simulated
// bus's naming rule, checked without any device or bus.

#include "platform/qb562/adapterslots.h"
#include "platform/qb562/deviceid.h"
#include "platform/qb562/simbus.h"
#include "testreport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using qb562::UsbIds;

void testDeviceIdText(TestReport &report)
{
    report.check(qb562::deviceIdText(0x1A86, 0x55DD) == "VID_1A86&PID_55DD", "adapter id text");
    report.check(qb562::deviceIdText(0x00ab, 0x0c0d) == "VID_00AB&PID_0C0D",
                 "id text pads to four upper-case digits");
    report.check(qb562::deviceIdText(0xFFFF, 0) == "VID_FFFF&PID_0000", "id text at the extremes");
}

void testFilterMatching(TestReport &report)
{
    const char *family = "VID_1A86&PID_55D";
    for (std::uint16_t product = 0x55D0; product <= 0x55DF; ++product) {
        const std::string id = qb562::deviceIdText(0x1A86, product);
        report.check(qb562::deviceIdMatches(id, family), "family filter covers " + id);
    }
    report.check(!qb562::deviceIdMatches(qb562::deviceIdText(0x1A86, 0x55E0), family),
                 "family filter leaves out the next product range");
    report.check(!qb562::deviceIdMatches(qb562::deviceIdText(0x1A87, 0x55DD), family),
                 "family filter leaves out another vendor");
    report.check(!qb562::deviceIdMatches(qb562::deviceIdText(0x1A86, 0x055D), family),
                 "matching is on the text, not on a numeric prefix");

    const std::string adapter = qb562::deviceIdText(0x1A86, 0x55DD);
    report.check(qb562::deviceIdMatches(adapter, "vid_1a86&pid_55dd"), "lower-case filter matches");
    report.check(qb562::deviceIdMatches(adapter, "Pid_55dD"), "mixed-case part of the id matches");
    report.check(qb562::deviceIdMatches(adapter, ""), "empty filter matches every device");
    report.check(!qb562::deviceIdMatches(adapter, "VID_1A86&PID_55DD&"), "longer filter does not match");
    report.check(!qb562::deviceIdMatches(adapter, nullptr), "null filter matches nothing");
}

void testAdapterCounting(TestReport &report)
{
    const UsbIds adapter{0x1A86, 0x55DD};
    const UsbIds sibling{0x1A86, 0x55DE};
    const UsbIds hub{0x1D6B, 0x0002};
    const UsbIds otherVendor{0x1A87, 0x55DD};
    const std::vector<UsbIds> bus{hub, adapter, sibling, otherVendor, adapter, hub, adapter};

    report.check(qb562::adapterPosition(bus, 0) == std::optional<std::size_t>(1), "first adapter");
    report.check(qb562::adapterPosition(bus, 1) == std::optional<std::size_t>(4),
                 "second adapter skips the sibling product and the other vendor");
    report.check(qb562::adapterPosition(bus, 2) == std::optional<std::size_t>(6), "last adapter");
    report.check(!qb562::adapterPosition(bus, 3), "no fourth adapter");
    report.check(!qb562::adapterPosition({hub, sibling, otherVendor}, 0), "bus without adapters");
    report.check(!qb562::adapterPosition({}, 0), "empty bus");
    report.check(!qb562::adapterPosition(bus, 0xFFFFFFFFu), "huge index");
}

void testSimulatedAdapterNames(TestReport &report)
{
    for (unsigned index = 0; index < qb562::kAdapterSlots; ++index) {
        const std::string name = qb562::adapterDirName(index);
        report.check(qb562::adapterIndexFromDirName(name.c_str()) == static_cast<int>(index),
                     "round trip of " + name);
    }
    report.check(qb562::adapterDirName(12) == "adapter12", "names are unpadded decimal");
    for (const char *name : {"adapter01", "adapter00", "adapter16", "adapter99", "adapter100", "adapterX",
                             "adapter", "adapter-1", "adapter+1", "adapter 1", "adapter1 ", "Adapter1",
                             "xadapter1", "adapter0x1", ""}) {
        report.check(qb562::adapterIndexFromDirName(name) == -1, std::string("not an adapter: '") + name + "'");
    }
    report.check(qb562::adapterIndexFromDirName(nullptr) == -1, "null name");
}

}

int main()
{
    TestReport report;
    testDeviceIdText(report);
    testFilterMatching(report);
    testAdapterCounting(report);
    testSimulatedAdapterNames(report);
    return report.finish();
}
