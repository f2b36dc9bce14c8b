// Stands in for the programming tool during the benchmark: writes what the
// plan in the environment says, each chunk with one write so that the window
// reads it alone, and ignores the arguments the window passes.

#include "feedchunks.h"
#include "feedplan.h"
#include "monotonicclock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Lets the window finish its own start-up handling before the first chunk.
constexpr std::chrono::milliseconds settle{100};
// Long enough for the window to have handled the single progress report
// before the exit is stamped.
constexpr std::chrono::milliseconds beforeExit{30};

bool writeAll(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

int feedChunks(const FeedPlan &plan)
{
    std::this_thread::sleep_for(settle);
    const std::string line = logChunk();
    for (int i = 0; i < plan.count; ++i) {
        if (!writeAll(STDOUT_FILENO, plan.kind == FeedKind::Progress ? progressChunk(i) : line))
            return 1;
        std::this_thread::sleep_for(std::chrono::microseconds(plan.gapMicroseconds));
    }
    return 0;
}

[[noreturn]] void stampedExit(const FeedPlan &plan)
{
    // A report first, so that the window's reset has a bar to bring back to 0.
    writeAll(STDOUT_FILENO, progressChunk(49));
    std::this_thread::sleep_for(beforeExit);

    const std::int64_t now = monotonicNanoseconds();
    const std::string text = std::to_string(now) + "\n";
    const int fd = ::open(plan.stampPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = fd >= 0 && writeAll(fd, text);
    if (fd >= 0)
        ::close(fd);
    // No exit handlers or stream flushing between the stamp and the end.
    _exit(written ? 0 : 1);
}

} // namespace

int main()
{
    // The window finds the stand-in by its file name, but every run's end on
    // this machine, in any suite, kills processes by the name they run under.
    // Renamed, a stand-in is not cut short by someone else's run; the window's
    // own kill still runs in full, after its child has already ended.
    prctl(PR_SET_NAME, "benchfeed");

    const char *text = std::getenv(feedVariable);
    const std::optional<FeedPlan> plan = text ? decodeFeedPlan(text) : std::nullopt;
    if (!plan) {
        std::fprintf(stderr, "benchmark stand-in: no usable %s in the environment\n", feedVariable);
        return 2;
    }
    if (plan->kind == FeedKind::Exit)
        stampedExit(*plan);
    return feedChunks(*plan);
}
