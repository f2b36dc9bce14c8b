// Everything that must fail, and the fault switches of the board folder:
// each failure gives a non-zero exit and a message that says why.

#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Expect {
    std::string what;
    std::vector<std::string> mentions;  // all must appear in the output
};

RunResult run(const SimPaths &paths, const std::string &bus, const std::vector<std::string> &args,
              std::function<bool(const std::string &, ChildProcess &)> onChunk = {},
              std::chrono::milliseconds timeout = std::chrono::milliseconds(60000))
{
    RunOptions options;
    options.args = args;
    options.env = simEnv(bus);
    options.onChunk = std::move(onChunk);
    options.timeout = timeout;
    return runProgram(paths.openocd, options);
}

void expectFailure(TestReport &t, const RunResult &r, const Expect &e)
{
    t.check(r.exitCode != 0 && !r.timedOut, e.what + ": non-zero exit", r.describe());
    const std::string out = r.output();
    t.check(out.find("Error: ") != std::string::npos, e.what + ": an error line", r.describe());
    for (const std::string &m : e.mentions)
        t.check(out.find(m) != std::string::npos, e.what + ": message mentions \"" + m + "\"", out);
}

std::string exeDir(const SimPaths &paths)
{
    return paths.openocd.substr(0, paths.openocd.rfind('/'));
}

void noBoard(TestReport &t, const SimPaths &paths)
{
    ScratchDir files;
    makeBit(paths, "xc7a35t", files / "top.bit", 512);
    RunOptions unset;
    unset.args = bitRunArgs("xc7a35t", files / "top.bit");
    unset.env = {{"QB562_SIM_TIME_SCALE", "0"}};
    expectFailure(t, runProgram(paths.openocd, unset),
                  {"without QB562_SIM_DIR", {"simulator", "QB562_SIM_DIR", exeDir(paths)}});

    ScratchDir bus;
    makeDir((bus / "adapter16"));
    writeText(bus / "adapter0", "a file, not an adapter");
    expectFailure(t, run(paths, bus.path(), bitRunArgs("xc7a35t", files / "top.bit")),
                  {"with no adapter attached", {"simulator", "no simulated QB562 adapter", exeDir(paths)}});
}

void initFault(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    makeBit(paths, "xc7a35t", files / "top.bit", 512);
    writeText(board.file("fail-init"), "");
    expectFailure(t, run(paths, board.bus(), bitRunArgs("xc7a35t", files / "top.bit")),
                  {"fail-init", {"init failed", "fail-init"}});
    std::remove(board.file("fail-init").c_str());
    const RunResult again = run(paths, board.bus(), bitRunArgs("xc7a35t", files / "top.bit"));
    t.check(again.exitCode == 0, "init works again once fail-init is gone", again.describe());

    SimBoard spartan("xc6slx9");
    expectFailure(t, run(paths, spartan.bus(), bitRunArgs("xc7a35t", files / "top.bit")),
                  {"7-series script on a Spartan-6 board", {"xc6slx9", "xc7.tap"}});
}

void refusedBitstreams(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    const auto bitRun = [&](const std::string &file) { return run(paths, board.bus(), bitRunArgs("xc7a35t", file)); };

    makeBit(paths, "xc7a50t", files / "other.bit", 512);
    expectFailure(t, bitRun(files / "other.bit"), {"a .bit for another part", {"xc7a50t", "xc7a35t"}});

    makeBit(paths, "xc7a35t", files / "good.bit", 4096);
    auto bytes = readBytes(files / "good.bit");
    bytes.resize(bytes.size() - 10);
    writeBytes(files / "short.bit", bytes);
    expectFailure(t, bitRun(files / "short.bit"), {"a truncated .bit", {"truncated"}});

    makeBin(paths, files / "raw.bit", 4096);
    expectFailure(t, bitRun(files / "raw.bit"), {"not a .bit", {"not a Xilinx .bit"}});
    expectFailure(t, bitRun(files / "missing.bit"), {"a missing file", {"can't open", "missing.bit"}});
    expectFailure(t, bitRun(files.path()), {"a folder for a file", {"folder"}});
    t.check(!exists(board.file("fpga")), "refused files leave the FPGA alone");

    SimBoard kintex("xc7k325t");
    makeBit(paths, "xc7k325t-debug", files / "debug.bit", 512);
    expectFailure(t, run(paths, kintex.bus(), bitRunArgs("xc7k325t", files / "debug.bit")),
                  {"an xc7k325t-debug file on an xc7k325t", {"xc7k325t-debug"}});
    SimBoard debug("xc7k325t-debug");
    const RunResult fits = run(paths, debug.bus(), bitRunArgs("xc7k325t-debug", files / "debug.bit"));
    t.check(fits.exitCode == 0, "the same file on an xc7k325t-debug board loads", fits.describe());
}

void refusedFlashWrites(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    makeBin(paths, files / "top.bin", 4096);
    expectFailure(t, run(paths, board.bus(), binRunArgs("xc7a50t", paths.appDir, files / "top.bin")),
                  {"a proxy for another part", {"proxy bitstream", "xc7a50t"}});
    // A window beside an ordinary design where the proxy belongs.
    makeDir(files / "FPGABit");
    makeBit(paths, "xc7a35t", files / "FPGABit/bscan_spi_xc7a35t.bit", 512, "top");
    expectFailure(t, run(paths, board.bus(), binRunArgs("xc7a35t", files.path(), files / "top.bin")),
                  {"a design that is not a proxy", {"JTAG-to-SPI"}});
    makeBin(paths, files / "huge.bin", (16u << 20) + 1);
    expectFailure(t, run(paths, board.bus(), binRunArgs("xc7a35t", paths.appDir, files / "huge.bin")),
                  {"a BIN larger than the flash", {"does not fit"}});
    t.check(!exists(board.file("flash.bin")), "refused writes leave the flash alone");

    // Offset plus size may reach the end of the flash, not pass it.
    makeBin(paths, files / "sector.bin", 65536);
    const auto at = [&](std::uint32_t offset) {
        return run(paths, board.bus(),
                   {"-c", "adapter driver qb562; adapter speed 10000; source [find cpld/xilinx-xc7.cfg]",
                    "-c", "source [find cpld/jtagspi.cfg]; init; jtagspi_init 0 " + paths.proxyFor("xc7a35t"),
                    "-c", "jtagspi_program " + files / "sector.bin" + " " + std::to_string(offset), "-c", "exit"});
    };
    const RunResult last = at((16u << 20) - 65536);
    t.check(last.exitCode == 0, "the last sector can be written", last.describe());
    expectFailure(t, at((16u << 20) - 65535), {"one byte past the end", {"does not fit"}});
    expectFailure(t, run(paths, board.bus(), {"-c", "adapter driver qb562; source [find cpld/xilinx-xc7.cfg]",
                                              "-c", "source [find cpld/jtagspi.cfg]; init",
                                              "-c", "jtagspi_program " + files / "top.bin" + " 0"}),
                  {"jtagspi_program without the proxy", {"jtagspi_init"}});
}

void badClock(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    makeBit(paths, "xc7a35t", files / "top.bit", 512);
    for (const std::string speed : {"0", "-3000", "fast", "12.5"}) {
        auto args = bitRunArgs("xc7a35t", files / "top.bit");
        args[3] = "adapter speed " + speed + ";";
        expectFailure(t, run(paths, board.bus(), args), {"adapter speed " + speed, {"adapter speed"}});
    }
    t.check(!exists(board.file("fpga")), "nothing loaded at a bad clock");
}

void unplugged(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    const std::uint32_t size = 1u << 20;
    makeBin(paths, files / "top.bin", size);
    const RunResult r = run(paths, board.bus(), binRunArgs("xc7a35t", paths.appDir, files / "top.bin"),
                            [&](const std::string &chunk, ChildProcess &) {
                                // A late read may carry the first report behind a log line.
                                const auto lines = linesOf(chunk);
                                if (std::none_of(lines.begin(), lines.end(), [](const std::string &line) {
                                        return line.compare(0, 2, "0x") == 0;
                                    }))
                                    return true;
                                unplug(board.dir());
                                return false;
                            });
    expectFailure(t, r, {"adapter removed during the write", {"unplugged"}});
    const ProgressCheck progress = checkProgress(r, size);
    t.check(!progress.values.empty() && progress.values.back() < size, "the write stopped early");
}

void fastErase(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    makeBin(paths, files / "top.bin", 200000);
    const auto args = binRunArgs("xc7a35t", paths.appDir, files / "top.bin");
    const auto countLeft = [&] {
        if (!exists(board.file("fast-erase")))
            return std::string("absent");
        const auto bytes = readBytes(board.file("fast-erase"));
        const std::string text(bytes.begin(), bytes.end());
        return text.substr(0, text.find_first_of("\r\n"));
    };

    writeText(board.file("fast-erase"), "1\n");
    const RunResult first = run(paths, board.bus(), args);
    t.check(first.exitCode == 0, "a run with a fast erase goes on to the end", first.describe());
    const Separated separated = separateChunks(first);
    t.check(separated.problems.empty(), "every write of the run in a read of its own",
            separated.problems.empty() ? "" : separated.problems.front());
    t.check(shortSectorChunks(first) == 1, "exactly one short sector chunk", first.describe());
    for (const std::string &chunk : separated.chunks) {
        const auto at = chunk.find("sector");
        if (at != std::string::npos && chunk.size() <= 27)
            t.check(at >= 1, "sector after the first byte", chunk);
    }
    t.check(checkProgress(first, 200000).problems.empty(), "progress unaffected by the fast erase");
    t.check(countLeft() == "absent" || countLeft() == "0", "count used up", countLeft());
    const RunResult second = run(paths, board.bus(), args);
    t.check(second.exitCode == 0 && shortSectorChunks(second) == 0, "the next run has no short sector chunk",
            second.describe());

    writeText(board.file("fast-erase"), "2\n");
    run(paths, board.bus(), args);
    t.check(countLeft() == "1", "a count of 2 drops to 1", countLeft());

    // The window kills the program on sight of the chunk: the count must
    // already have dropped by then.
    bool killed = false;
    // A late read may carry the report among other lines; it is still the
    // moment the report became visible.
    const RunResult onSight = run(paths, board.bus(), args, [&](const std::string &chunk, ChildProcess &child) {
        const auto lines = linesOf(chunk);
        if (std::any_of(lines.begin(), lines.end(), isShortSectorChunk)) {
            child.kill();
            killed = true;
            return false;
        }
        return true;
    });
    t.check(killed && onSight.killed, "killed at the short sector chunk", onSight.describe());
    t.check(countLeft() == "absent" || countLeft() == "0", "count dropped before the chunk was written",
            countLeft());
}

void hang(TestReport &t, const SimPaths &paths)
{
    ScratchDir files;
    makeBit(paths, "xc7a35t", files / "top.bit", 512);
    const auto saysHang = [](const RunResult &r) { return r.output().find("waiting until") != std::string::npos; };

    SimBoard board("xc7a35t");
    writeText(board.file("hang"), "");
    const RunResult held = run(paths, board.bus(), bitRunArgs("xc7a35t", files / "top.bit"), {},
                               std::chrono::milliseconds(1500));
    t.check(held.timedOut && held.killed && saysHang(held), "hang waits at exit until killed",
            held.describe());
    t.check(fpgaState(board.file("fpga"))["source"] == "jtag", "the work before exit was done");

    // Acts once the hang line has been printed.
    const auto onHang = [](std::function<void()> action) {
        auto seen = std::make_shared<std::string>();
        return [seen, action](const std::string &chunk, ChildProcess &) {
            *seen += chunk;
            if (seen->find("waiting until") == std::string::npos)
                return true;
            action();
            return false;
        };
    };
    const RunResult pulled = run(paths, board.bus(), bitRunArgs("xc7a35t", files / "top.bit"),
                                 onHang([&] { unplug(board.dir()); }), std::chrono::milliseconds(10000));
    expectFailure(t, pulled, {"adapter removed while hanging", {"unplugged"}});

    SimBoard lifted("xc7a35t");
    writeText(lifted.file("hang"), "");
    const RunResult released = run(paths, lifted.bus(), bitRunArgs("xc7a35t", files / "top.bit"),
                                   onHang([&] { std::remove(lifted.file("hang").c_str()); }),
                                   std::chrono::milliseconds(10000));
    t.check(released.exitCode == 0 && saysHang(released), "removing the hang file lets the program exit",
            released.describe());
}

}  // namespace

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    TestReport t("openocd_faults");
    noBoard(t, paths);
    initFault(t, paths);
    refusedBitstreams(t, paths);
    refusedFlashWrites(t, paths);
    badClock(t, paths);
    unplugged(t, paths);
    fastErase(t, paths);
    hang(t, paths);
    return t.finish();
}
