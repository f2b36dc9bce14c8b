// Everything that must fail, and the fault switches of the board folder:
// each failure gives a non-zero exit and a message that says why.

#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
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

std::string statusRegister(const SimPaths &paths, const SimBoard &board);

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

    // Lost at init: the run goes on past the dead adapter and exits 0, as
    // the real tool does, and nothing reaches the FPGA.
    writeText(board.file("lost-at-init"), "");
    const auto before = fpgaState(board.file("fpga"));
    const RunResult lost = run(paths, board.bus(), bitRunArgs("xc7a35t", files / "top.bit"));
    const std::string out = lost.output();
    t.check(lost.exitCode == 0 && out.find("stopped answering") != std::string::npos &&
                out.find("Error: Trying to use configured scan chain anyway...") != std::string::npos &&
                out.find("Warn : Bypassing JTAG setup events due to errors") != std::string::npos &&
                out.find("tap/device found") == std::string::npos &&
                out.find("interrogation failed") == std::string::npos,
            "lost-at-init: exit 0 past the dead adapter, no TAP line", lost.describe());
    t.check(fpgaState(board.file("fpga")) == before, "lost-at-init: the FPGA is left as it was");
    t.check(statusRegister(paths, board) == "0xffffffff", "lost-at-init: the status reads all ones",
            statusRegister(paths, board));
    std::remove(board.file("lost-at-init").c_str());

    SimBoard spartan("xc6slx9");
    expectFailure(t, run(paths, spartan.bus(), bitRunArgs("xc7a35t", files / "top.bit")),
                  {"7-series script on a Spartan-6 board", {"xc6slx9", "xc7.tap"}});
}

void refusedBitstreams(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    const auto bitRun = [&](const std::string &file) { return run(paths, board.bus(), bitRunArgs("xc7a35t", file)); };

    makeBit(paths, "xc7a35t", files / "good.bit", 4096);
    auto bytes = readBytes(files / "good.bit");
    bytes.resize(bytes.size() - 10);
    writeBytes(files / "short.bit", bytes);
    expectFailure(t, bitRun(files / "short.bit"),
                  {"a truncated .bit", {"truncated", "failed loading file " + files / "short.bit" + " to pld device 0"}});

    makeBin(paths, files / "raw.bit", 4096);
    expectFailure(t, bitRun(files / "raw.bit"), {"not a .bit", {"not a Xilinx .bit"}});
    expectFailure(t, bitRun(files / "missing.bit"), {"a missing file", {"can't open", "missing.bit"}});
    expectFailure(t, bitRun(files.path()), {"a folder for a file", {"folder"}});
    t.check(!exists(board.file("fpga")), "refused files leave the FPGA alone");

    SimBoard kintex("xc7k325t");
    makeBit(paths, "xc7k325t-debug", files / "debug.bit", 512);
    const RunResult foreign = run(paths, kintex.bus(), bitRunArgs("xc7k325t", files / "debug.bit"));
    t.check(foreign.exitCode == 0 && fpgaState(kintex.file("fpga"))["error"] == "ID_ERROR",
            "an xc7k325t-debug file on an xc7k325t: loaded, and rejected by the FPGA", foreign.describe());
    SimBoard debug("xc7k325t-debug");
    const RunResult fits = run(paths, debug.bus(), bitRunArgs("xc7k325t-debug", files / "debug.bit"));
    t.check(fits.exitCode == 0 && fpgaState(debug.file("fpga"))["source"] == "jtag",
            "the same file on an xc7k325t-debug board configures it", fits.describe());
}

std::string statusRegister(const SimPaths &paths, const SimBoard &board)
{
    const RunResult r = run(paths, board.bus(), {"-c", "adapter driver qb562; source [find cpld/xilinx-xc7.cfg]",
                                                 "-c", "init; virtex2 read_stat 0", "-c", "exit"});
    const std::string out = r.output();
    const auto at = out.find("virtex2 status register: ");
    return r.exitCode == 0 && at != std::string::npos ? out.substr(at + 25, 10) : r.describe();
}

// OpenOCD 0.12 never reads the status register: whatever the FPGA makes of a
// whole .bit container, `pld load` says "loaded file" and exits 0. Only the
// status register tells, and it must.
void rejectedStreams(TestReport &t, const SimPaths &paths)
{
    ScratchDir files;
    makeBit(paths, "xc7k325t", files / "top.bit", 4096);
    const auto top = readBytes(files / "top.bit");
    const std::uint8_t sync[] = {0xaa, 0x99, 0x55, 0x66};
    const auto syncAt = std::search(top.begin(), top.end(), std::begin(sync), std::end(sync)) - top.begin();
    // The right header, but the stream's IDCODE packet names an xc7a35t.
    auto packet = top;
    const std::uint8_t idcode[] = {0x30, 0x01, 0x80, 0x01, 0x03, 0x62, 0xd0, 0x93};
    std::copy(std::begin(idcode), std::end(idcode), packet.begin() + syncAt + 8);
    writeBytes(files / "packet.bit", packet);
    auto noise = top;
    noise[static_cast<std::size_t>(syncAt)] = 0x00;
    writeBytes(files / "noise.bit", noise);
    makeBit(paths, "xc7a35t", files / "a35.bit", 4096);

    struct Case {
        std::string what, file, error, status;
    };
    const Case cases[] = {
        {"a .bit whose header names another part", files / "a35.bit", "ID_ERROR", "0x00009800"},
        {"a .bit whose IDCODE packet names another part", files / "packet.bit", "ID_ERROR", "0x00009800"},
        {"a .bit without a sync word", files / "noise.bit", "CRC_ERROR", "0x00001801"},
    };
    for (const Case &c : cases) {
        SimBoard board("xc7k325t");
        const RunResult r = run(paths, board.bus(), bitRunArgs("xc7k325t", c.file));
        t.check(r.exitCode == 0 && r.output().find("\nloaded file " + c.file + " to pld device 0 in ") != std::string::npos,
                c.what + ": \"loaded file\" and exit 0", r.describe());
        auto state = fpgaState(board.file("fpga"));
        t.check(state["source"] == "none" && state["rejected"] == c.file && state["error"] == c.error,
                c.what + ": the FPGA stays unconfigured, " + c.error, state["error"]);
        t.check(statusRegister(paths, board) == c.status, c.what + ": status register DONE low, " + c.error,
                statusRegister(paths, board));
        t.check(fpgaState(board.file("fpga")) == state, c.what + ": reading the status changes nothing");
    }

    SimBoard good("xc7k325t");
    run(paths, good.bus(), bitRunArgs("xc7k325t", files / "top.bit"));
    t.check(statusRegister(paths, good) == "0x401079fc", "a good .bit: DONE high", statusRegister(paths, good));

    // The reload of an erased flash: nothing to boot from, and no error.
    SimBoard blank("xc7k325t");
    const RunResult reload = run(paths, blank.bus(), {"-c", "adapter driver qb562; source [find cpld/xilinx-xc7.cfg]",
                                                      "-c", "init; xc7_program xc7.tap", "-c", "exit"});
    t.check(reload.exitCode == 0 && fpgaState(blank.file("fpga"))["source"] == "none" &&
                statusRegister(paths, blank) == "0x00001800",
            "reload from an erased flash: exit 0, DONE low", reload.describe());
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
    expectFailure(t, at(16u << 20), {"at the end of the flash", {"does not fit"}});
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
    rejectedStreams(t, paths);
    refusedFlashWrites(t, paths);
    badClock(t, paths);
    unplugged(t, paths);
    fastErase(t, paths);
    hang(t, paths);
    return t.finish();
}
