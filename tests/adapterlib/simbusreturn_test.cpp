// A simulated bus directory that is missing when notifications are asked for,
// appears later, goes away and comes back.

#include "adapter/qb562.h"
#include "eventlog.h"
#include "scratchdir.h"
#include "simbusenv.h"
#include "testreport.h"

#include <cstdlib>
#include <vector>

namespace {

// Never freed: the library's event thread may still call in while the process exits.
EventLog &busLog()
{
    static EventLog *const log = new EventLog;
    return *log;
}

void onBus(ULONG status) { busLog().record(status); }

void testMissingBus(TestReport &report)
{
    bool anyOpened = false;
    for (ULONG index = 0; index < kQB562AdapterSlots; ++index)
        anyOpened = anyOpened || QB562OpenDevice(index) != -1;
    report.check(!anyOpened, "a missing bus has no adapters");
    report.check(QB562SetDeviceNotify(0, "VID_1A86&PID_55DD", onBus), "registering on a missing bus");
}

void testBusAppears(TestReport &report, const ScratchDir &scratch)
{
    scratch.makeDir("bus");
    scratch.makeDir("bus/adapter2");
    report.check(busLog().take(1) == Events{kArrived}, "adapter on a bus that appeared later");
    report.check(QB562OpenDevice(2) != -1 && QB562CloseDevice(2), "and it opens");
    scratch.remove("bus/adapter2");
    report.check(busLog().take(1) == Events{kRemoved}, "its removal");
}

// While the bus is away its adapters are not watched; when it comes back only
// what changed meanwhile is reported.
void testBusMovedAwayAndBack(TestReport &report, const ScratchDir &scratch)
{
    scratch.makeDir("bus/adapter4");
    scratch.makeDir("bus/adapter8");
    report.check(busLog().take(2) == Events{kArrived, kArrived}, "two adapters before the move");
    scratch.rename("bus", "away");
    scratch.remove("away/adapter4");
    scratch.makeDir("away/adapter6");
    report.check(busLog().takeLate().empty(), "nothing is reported from the moved bus");
    scratch.rename("away", "bus");
    report.check(busLog().take(2) == Events{kRemoved, kArrived}, "the changes made while away, once back");
    report.check(busLog().takeLate().empty(), "and the unchanged adapter is not reported again");
}

void testBusDeleted(TestReport &report, const ScratchDir &scratch)
{
    scratch.removeAll("bus");
    report.check(busLog().take(2) == Events{kRemoved, kRemoved}, "deleting the bus unplugs its adapters");
    report.check(QB562OpenDevice(6) == -1, "nothing opens on a deleted bus");
    scratch.makeDir("bus");
    scratch.makeDir("bus/adapter0");
    report.check(busLog().take(1) == Events{kArrived}, "a recreated bus is watched again");
}

}

int main()
{
    TestReport report;
    const ScratchDir scratch;
    // The library reads this once, on its first call; the directory comes later.
    useSimulatedBus(scratch.path("bus"));

    testMissingBus(report);
    testBusAppears(report, scratch);
    testBusMovedAwayAndBack(report, scratch);
    testBusDeleted(report, scratch);
    return report.finish();
}
