// Plug and unplug notifications on a simulated bus, through the shared library.

#include "adapter/qb562.h"
#include "eventlog.h"
#include "scratchdir.h"
#include "simbusenv.h"
#include "testreport.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// Callbacks get no context pointer, so each finds its log through a static.
// The logs are never freed: the library's event thread may still call in
// while the process exits.
EventLog &familyLog()
{
    static EventLog *const log = new EventLog;
    return *log;
}

EventLog &twoFilterLog()
{
    static EventLog *const log = new EventLog;
    return *log;
}

EventLog &otherProductLog()
{
    static EventLog *const log = new EventLog;
    return *log;
}

EventLog &burstLogA()
{
    static EventLog *const log = new EventLog;
    return *log;
}

EventLog &burstLogB()
{
    static EventLog *const log = new EventLog;
    return *log;
}

EventLog &scanLog()
{
    static EventLog *const log = new EventLog;
    return *log;
}

struct OverlapProbe {
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
};

OverlapProbe &overlapProbe()
{
    static OverlapProbe *const probe = new OverlapProbe;
    return *probe;
}

void onFamily(ULONG status) { familyLog().record(status); }
void onTwoFilters(ULONG status) { twoFilterLog().record(status); }
void onOtherProduct(ULONG status) { otherProductLog().record(status); }

// Lingers inside the callback so that a second call running at the same time
// would be seen.
void recordAlone(EventLog &log, ULONG status)
{
    OverlapProbe &probe = overlapProbe();
    if (probe.inside.fetch_add(1) != 0)
        ++probe.overlaps;
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    probe.inside.fetch_sub(1);
    log.record(status);
}

void onBurstA(ULONG status) { recordAlone(burstLogA(), status); }
void onBurstB(ULONG status) { recordAlone(burstLogB(), status); }

// Calls back into the library, as the window does, and logs which adapters it
// could open as a bit mask.
void onScan(ULONG)
{
    ULONG openable = 0;
    for (ULONG index = 0; index < kQB562AdapterSlots; ++index) {
        if (QB562OpenDevice(index) != -1) {
            openable |= 1u << index;
            QB562CloseDevice(index);
        }
    }
    scanLog().record(openable);
}

void testRegistration(TestReport &report)
{
    report.check(!QB562SetDeviceNotify(0, nullptr, onFamily), "null filter is refused");
    report.check(!QB562SetDeviceNotify(0, "VID_1A86", nullptr), "null callback is refused");
    report.check(QB562SetDeviceNotify(0, "VID_1A86&PID_55D", onFamily), "family registration");
    report.check(QB562SetDeviceNotify(0, "VID_1A86&PID_55D", onFamily), "repeated registration succeeds");
    report.check(QB562SetDeviceNotify(0, "vid_1a86&pid_55dd", onTwoFilters), "lower-case registration");
    report.check(QB562SetDeviceNotify(0, "PID_55DD", onTwoFilters), "same callback, other filter");
    report.check(QB562SetDeviceNotify(5, "VID_1A86&PID_55E", onOtherProduct), "registration for another product");
    report.check(familyLog().takeLate().empty(), "adapters present at registration are no arrivals");
}

void testPlugAndUnplug(TestReport &report, const ScratchDir &scratch)
{
    scratch.makeDir("bus/adapter0");
    report.check(familyLog().take(1) == Events{kArrived}, "arrival reported once despite two registrations");
    report.check(twoFilterLog().take(2) == Events{kArrived, kArrived}, "two distinct registrations, two calls");
    scratch.remove("bus/adapter1");
    report.check(familyLog().take(1) == Events{kRemoved}, "removal of an adapter older than the registration");
    report.check(twoFilterLog().take(2) == Events{kRemoved, kRemoved}, "removal reaches both registrations");

    const auto threads = familyLog().threads();
    report.check(threads.size() == 1 && threads.count(std::this_thread::get_id()) == 0,
                 "callbacks come from one thread that is not the caller's");
}

void testMovesCount(TestReport &report, const ScratchDir &scratch)
{
    scratch.rename("bus/adapter0", "outside/adapter0");
    report.check(familyLog().take(1) == Events{kRemoved}, "moving an adapter out unplugs it");
    scratch.rename("outside/adapter0", "bus/adapter4");
    report.check(familyLog().take(1) == Events{kArrived}, "moving an adapter in plugs it");
    scratch.rename("bus/adapter4", "bus/adapter9");
    report.check(familyLog().take(2) == Events{kRemoved, kArrived}, "renaming moves it to another index");
    scratch.rename("bus/adapter9", "bus/adapter09");
    report.check(familyLog().take(1) == Events{kRemoved}, "a name that is no adapter's unplugs it");
    scratch.rename("bus/adapter09", "bus/adapter9");
    report.check(familyLog().take(1) == Events{kArrived}, "and the adapter name plugs it again");
}

void testOtherChangesAreSilent(TestReport &report, const ScratchDir &scratch)
{
    scratch.writeFile("bus/adapter9/state", "erased");
    scratch.writeFile("bus/adapter9/state", "programmed");
    scratch.makeDir("bus/adapter9/adapter3");
    scratch.remove("bus/adapter9/adapter3");
    scratch.writeFile("bus/adapter5", "a plain file");
    scratch.rename("bus/adapter5", "bus/adapter6");
    scratch.remove("bus/adapter6");
    for (const char *name : {"bus/adapter01", "bus/adapter16", "bus/adapterX", "bus/notes"}) {
        scratch.makeDir(name);
        scratch.remove(name);
    }
    report.check(familyLog().takeLate().empty(), "board state, files and other names raise no events");
    scratch.makeDir("bus/adapter2");
    report.check(familyLog().take(1) == Events{kArrived}, "events still flow after the noise");
}

void testCallbacksNeverOverlap(TestReport &report, const ScratchDir &scratch)
{
    report.check(QB562SetDeviceNotify(0, "VID_1A86&PID_55DD", onBurstA), "first burst registration");
    report.check(QB562SetDeviceNotify(0, "VID_1A86&PID_55DD", onBurstB), "second burst registration");
    constexpr int kRounds = 200;
    for (int round = 0; round < kRounds; ++round) {
        const std::string name = "bus/adapter" + std::to_string(10 + round % 4);
        scratch.makeDir(name);
        scratch.remove(name);
    }
    Events alternating;
    for (int round = 0; round < kRounds; ++round) {
        alternating.push_back(kArrived);
        alternating.push_back(kRemoved);
    }
    report.check(burstLogA().take(alternating.size()) == alternating, "every burst event, in order, to A");
    report.check(burstLogB().take(alternating.size()) == alternating, "every burst event, in order, to B");
    report.check(familyLog().take(alternating.size()) == alternating, "every burst event to the family");
    report.check(overlapProbe().overlaps == 0, "no callback ran while another was running");
}

void testCallbackMayCallIn(TestReport &report, const ScratchDir &scratch)
{
    report.check(QB562SetDeviceNotify(0, "VID_1A86", onScan), "scanning registration");
    const ULONG before = (1u << 2) | (1u << 9);
    scratch.makeDir("bus/adapter15");
    report.check(scanLog().take(1) == Events{before | (1u << 15)}, "the arrived adapter opens from its callback");
    scratch.remove("bus/adapter15");
    report.check(scanLog().take(1) == Events{before}, "the removed adapter no longer opens");
}

}

int main()
{
    TestReport report;
    const ScratchDir scratch;
    scratch.makeDir("bus");
    scratch.makeDir("outside");
    scratch.makeDir("bus/adapter1");
    // The library reads this once, on its first call.
    useSimulatedBus(scratch.path("bus"));

    testRegistration(report);
    testPlugAndUnplug(report, scratch);
    testMovesCount(report, scratch);
    testOtherChangesAreSilent(report, scratch);
    testCallbacksNeverOverlap(report, scratch);
    testCallbackMayCallIn(report, scratch);
    report.check(otherProductLog().takeLate().empty(), "a filter for another product hears nothing");
    return report.finish();
}
