// Windows only: a bus folder held open for deletion, as a program renaming or
// deleting it holds it, still shows its adapters as they are.

#include "adapter/qb562.h"
#include "scratchdir.h"
#include "simbusenv.h"
#include "testreport.h"

#include <string>
#include <thread>
#include <windows.h>

namespace {

// Opens the folder the way MoveFileEx and DeleteFile open what they move or
// delete: with delete access, sharing everything.
HANDLE holdForDelete(const std::string &path)
{
    return ::CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

void testBriefHold(TestReport &report, const ScratchDir &scratch)
{
    const HANDLE held = holdForDelete(scratch.path("bus"));
    report.check(held != INVALID_HANDLE_VALUE, "holding the bus for deletion");
    std::thread release([held] {
        ::Sleep(100);
        ::CloseHandle(held);
    });
    report.check(QB562OpenDevice(3) != -1 && QB562CloseDevice(3), "an adapter opens once a brief hold ends");
    release.join();
    report.check(QB562OpenDevice(4) == -1, "a wrongly cased folder still is no adapter");
}

void testLongHold(TestReport &report, const ScratchDir &scratch)
{
    const HANDLE held = holdForDelete(scratch.path("bus"));
    report.check(held != INVALID_HANDLE_VALUE, "holding the bus for deletion again");
    report.check(QB562OpenDevice(3) != -1 && QB562CloseDevice(3), "an adapter opens while the hold lasts");
    report.check(QB562OpenDevice(5) == -1, "and a missing one does not");
    ::CloseHandle(held);
}

}

int main()
{
    TestReport report;
    const ScratchDir scratch;
    scratch.makeDir("bus");
    scratch.makeDir("bus/adapter3");
    scratch.makeDir("bus/Adapter4");
    useSimulatedBus(scratch.path("bus"));

    testBriefHold(report, scratch);
    testLongHold(report, scratch);
    return report.finish();
}
