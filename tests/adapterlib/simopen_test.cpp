// Opening and closing adapters on a simulated bus, through the shared library.

#include "adapter/qb562.h"
#include "scratchdir.h"
#include "simbusenv.h"
#include "testreport.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr ULONG kSlots = kQB562AdapterSlots;

std::set<ULONG> openable()
{
    std::set<ULONG> found;
    for (ULONG index = 0; index < kSlots; ++index) {
        if (QB562OpenDevice(index) != -1) {
            found.insert(index);
            QB562CloseDevice(index);
        }
    }
    return found;
}

void testEmptyBus(TestReport &report)
{
    for (ULONG index = 0; index < kSlots; ++index) {
        report.check(QB562OpenDevice(index) == -1, "empty bus opens nothing at " + std::to_string(index));
        report.check(!QB562CloseDevice(index), "nothing to close at " + std::to_string(index));
    }
}

void testOnlyAdapterDirectoriesCount(TestReport &report, const ScratchDir &bus)
{
    for (const char *name : {"adapter0", "adapter3", "adapter12", "adapter01", "adapter16", "adapterX", "Adapter4"})
        bus.makeDir(name);
    bus.writeFile("adapter5", "a plain file is no adapter");
    bus.writeFile("adapter0/state", "board state kept by another program");

    std::set<std::intptr_t> handles;
    for (ULONG index = 0; index < kSlots; ++index) {
        const std::intptr_t handle = QB562OpenDevice(index);
        const bool expected = index == 0 || index == 3 || index == 12;
        report.check((handle != -1) == expected, "open result at index " + std::to_string(index));
        if (handle != -1)
            handles.insert(handle);
    }
    report.check(handles.size() == 3, "each open adapter has its own handle");

    report.check(QB562OpenDevice(3) != -1, "opening an open adapter again succeeds");
    report.check(QB562CloseDevice(3), "closing an open adapter");
    report.check(!QB562CloseDevice(3), "a second close has nothing to close");
    report.check(!QB562CloseDevice(5), "the plain file was never opened");
    report.check(QB562CloseDevice(0) && QB562CloseDevice(12), "closing the others");

    report.check(QB562OpenDevice(kSlots) == -1, "index past the last slot");
    report.check(QB562OpenDevice(0xFFFFFFFFu) == -1, "huge index");
    report.check(!QB562CloseDevice(0xFFFFFFFFu), "closing a huge index");
}

void testPresenceIsLive(TestReport &report, const ScratchDir &bus)
{
    bus.remove("adapter3");
    bus.makeDir("adapter7");
    report.check(openable() == std::set<ULONG>{0, 7, 12}, "opens follow adapters leaving and arriving");
    bus.rename("adapter7", "adapter15");
    report.check(openable() == std::set<ULONG>{0, 12, 15}, "a renamed adapter moves to its new index");
}

// Open/Close race from several threads; ThreadSanitizer builds turn any data
// race inside the library into a failure, and every result must still be right.
void testConcurrentOpenClose(TestReport &report)
{
    const std::set<ULONG> attached{0, 12, 15};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 100; ++round) {
                for (ULONG index = 0; index < kSlots; ++index) {
                    const bool opened = QB562OpenDevice(index) != -1;
                    if (opened != (attached.count(index) == 1))
                        ++wrong;
                    if (opened)
                        QB562CloseDevice(index);
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    report.check(wrong == 0, "concurrent opens see the attached adapters exactly");
}

}

int main()
{
    TestReport report;
    const ScratchDir bus;
    // The library reads this once, on its first call.
    useSimulatedBus(bus.path(""));

    testEmptyBus(report);
    testOnlyAdapterDirectoriesCount(report, bus);
    testPresenceIsLive(report, bus);
    testConcurrentOpenClose(report);
    return report.finish();
}
