// Every part of the window's catalogue, on a board of that part, through the
// window's own "BIT" and "BIN" argument lists with the built proxies; the one
// part without a family script fails at its empty script name.

#include "download/partfamily.h"
#include "feldmoor/projectfacts.h"
#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

RunResult run(const SimPaths &paths, const SimBoard &board, const std::vector<std::string> &args)
{
    RunOptions options;
    options.args = args;
    options.env = simEnv(board.bus());
    return runProgram(paths.openocd, options);
}

void supportedPart(TestReport &t, const SimPaths &paths, const std::string &part, const ScratchDir &files,
                   unsigned seed)
{
    SimBoard board(part);
    const std::string bit = files / (part + ".bit");
    makeBit(paths, part, bit, 2048 + seed);
    const RunResult bitRun = run(paths, board, bitRunArgs(part, bit));
    const auto loaded = fpgaState(board.file("fpga"));
    t.check(bitRun.exitCode == 0 && loaded.count("source") && loaded.at("source") == "jtag" &&
                loaded.at("part") == part && loaded.at("bytes") == std::to_string(2048 + seed),
            part + ": BIT run loads the FPGA", bitRun.describe());

    const std::string bin = files / (part + ".bin");
    const std::uint32_t size = 6000 + seed * 97;
    makeBin(paths, bin, size, seed, part);
    const RunResult binRun = run(paths, board, binRunArgs(part, paths.appDir, bin));
    const ProgressCheck progress = checkProgress(binRun, size);
    const auto file = readBytes(bin);
    const auto flash = readBytes(board.file("flash.bin"));
    const auto reloaded = fpgaState(board.file("fpga"));
    t.check(binRun.exitCode == 0, part + ": BIN run succeeds", binRun.describe());
    t.check(progress.problems.empty(), part + ": progress protocol kept",
            progress.problems.empty() ? "" : progress.problems.front());
    t.check(flash.size() > file.size() && std::equal(file.begin(), file.end(), flash.begin()),
            part + ": image in flash");
    t.check(reloaded.count("source") && reloaded.at("source") == "flash" && reloaded.at("part") == part,
            part + ": reload configured from flash", binRun.describe());
}

void partWithoutScript(TestReport &t, const SimPaths &paths, const std::string &part, const ScratchDir &files)
{
    SimBoard board(part);
    const std::string bit = files / (part + ".bit");
    makeBit(paths, part, bit, 512);
    makeBin(paths, files / (part + ".bin"), 512);
    for (const auto &args : {bitRunArgs(part, bit), binRunArgs(part, paths.appDir, files / (part + ".bin"))}) {
        const RunResult r = run(paths, board, args);
        const std::string out = r.output();
        t.check(r.exitCode == 1, part + ": run fails", r.describe());
        t.check(out.find("Error: can't find cpld/") != std::string::npos, part + ": the error names the empty script",
                out);
        t.check(out.find("Info : QB562 adapter") == std::string::npos, part + ": it stops before init", out);
    }
    t.check(!exists(board.file("fpga")) && !exists(board.file("flash.bin")), part + ": the board is untouched");
}

}  // namespace

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    const std::vector<std::string> catalogue(argv + 4, argv + argc);
    TestReport t("openocd_catalogue");
    t.check(catalogue.size() == feldmoor::kPartCount, "catalogue passed in", std::to_string(catalogue.size()));
    ScratchDir files;
    unsigned seed = 1;
    int withoutScript = 0;
    for (const std::string &part : catalogue) {
        if (!windowPartFamily(QString::fromStdString(part)).known()) {
            partWithoutScript(t, paths, part, files);
            ++withoutScript;
        } else {
            supportedPart(t, paths, part, files, seed++);
        }
    }
    t.check(withoutScript == 1, "one part has no family script", std::to_string(withoutScript));
    return t.finish();
}
