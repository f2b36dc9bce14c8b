// The modelled duration of a 1 MiB "BIN" write at 10000 kHz, in real time
// (time scale 1). Printed for the record; checked only loosely, since the
// point is that it feels like the hardware, a few seconds, not an instant.

#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    TestReport t("openocd_timing");
    SimBoard board("xc7a35t");
    ScratchDir files;
    const std::uint32_t size = 1u << 20;
    makeBin(paths, files / "top.bin", size);

    RunOptions options;
    options.args = binRunArgs("xc7a35t", paths.appDir, files / "top.bin", 10000);
    options.env = {{"QB562_SIM_DIR", board.bus()}, {"QB562_SIM_TIME_SCALE", "1"}};
    double firstProgress = -1;
    const auto started = std::chrono::steady_clock::now();
    options.onChunk = [&](const std::string &chunk, ChildProcess &) {
        const auto lines = linesOf(chunk);
        const auto isProgress = [](const std::string &line) { return line.compare(0, 2, "0x") == 0; };
        if (std::none_of(lines.begin(), lines.end(), isProgress))
            return true;
        firstProgress = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return false;
    };
    const RunResult r = runProgram(paths.openocd, options);
    std::printf("1 MiB BIN at 10000 kHz, time scale 1: %.2f s (first progress after %.2f s)\n", r.elapsed.count(),
                firstProgress);
    t.check(r.exitCode == 0, "the run succeeds", r.describe());
    const ProgressCheck progress = checkProgress(r, size);
    std::string problems;
    for (const std::string &p : progress.problems)
        problems += p + "\n";
    t.check(progress.problems.empty(), "progress protocol kept at time scale 1", problems);
    t.check(r.elapsed.count() > 3.0 && r.elapsed.count() < 30.0, "takes seconds, like the hardware",
            std::to_string(r.elapsed.count()));
    // The sectors are erased before the first page is written.
    t.check(firstProgress > 16 * 0.150 * 0.9, "erasing 16 sectors takes its time before progress starts",
            std::to_string(firstProgress));
    return t.finish();
}
