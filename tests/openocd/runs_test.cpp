// Whole runs with the window's argument lists on an xc7a35t board: what ends
// up in the FPGA and the flash, the progress protocol, the argument log, and
// what the command texts can and cannot do.

#include "adapter_timing.h"
#include "host_traits.h"
#include "sim_harness.h"
#include "spi_flash.h"
#include "testreport.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kSyncWord[] = {0xaa, 0x99, 0x55, 0x66};
constexpr std::uint8_t kIdcodeHeader[] = {0x30, 0x01, 0x80, 0x01};

constexpr std::uint32_t kFlashSize = 16u << 20;

std::string lastLineWith(const std::string &output, const std::string &needle)
{
    const auto at = output.rfind(needle);
    if (at == std::string::npos)
        return {};
    const auto start = output.rfind('\n', at);
    return output.substr(start == std::string::npos ? 0 : start + 1, output.find('\n', at) - (start + 1));
}

RunResult run(const SimPaths &paths, const SimBoard &board, const std::vector<std::string> &args,
              std::map<std::string, std::optional<std::string>> extraEnv = {}, const std::string &workDir = {})
{
    RunOptions options;
    options.args = args;
    options.workDir = workDir;
    options.env = simEnv(board.bus());
    for (const auto &[name, value] : extraEnv)
        options.env[name] = value;
    return runProgram(paths.openocd, options);
}

void bitLoad(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t", 2);
    makeDir((board.bus() + "/adapter5"));
    ScratchDir files;
    makeBit(paths, "xc7a35t", files / "top.bit", 10000);
    const RunResult r = run(paths, board, bitRunArgs("xc7a35t", files / "top.bit"));
    t.check(r.exitCode == 0, "BIT run succeeds", r.describe());
    t.check(r.output().find("Feldmoor simulator") != std::string::npos, "banner says it is the simulator");
    t.check(r.output().find("Error") == std::string::npos, "no error printed", r.describe());

    auto state = fpgaState(board.file("fpga"));
    const auto bytes = readBytes(files / "top.bit");
    t.check(state.count("source") && state.at("source") == "jtag", "FPGA configured over JTAG");
    t.check(state.count("design") && state.at("design") == "top", "design name recorded");
    t.check(state.count("file") && state.at("file") == files / "top.bit", "file recorded");
    t.check(state.count("bytes") && state.at("bytes") == "10000", "configuration length recorded");
    // The configuration data is the tail of the container.
    const std::vector<std::uint8_t> data(bytes.end() - 10000, bytes.end());
    t.check(state.count("crc32") && state.at("crc32") == crc32Hex(data, data.size()), "crc32 of the data recorded");
    t.check(!exists(board.bus() + "/adapter5/fpga"), "only the lowest adapter's board is used");
    t.check(checkProgress(r, 1).values.empty(), "a BIT run reports no flash progress");
}

// Plain output keeps the gap too, on both streams and at time scale 0: the
// run can't be shorter than the gaps between its writes.
void writesKeepTheGap(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    RunOptions options;
    options.args = {"-c", "for {set i 0} {$i < 40} {incr i} {echo line$i; puts stderr err$i}"};
    options.env = simEnv(board.bus());
    const RunResult r = runProgram(paths.openocd, options);
    const auto writes = static_cast<long>(linesOf(r.output()).size());
    t.check(r.exitCode == 0 && writes == 81 && r.elapsed >= (writes - 1) * Console::kChunkGap,
            "every write waits for the gap after the one before",
            std::to_string(writes) + " lines in " + std::to_string(r.elapsed.count()) + " s");
}

void binWrite(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    const std::uint32_t size = 1u << 20;
    makeBin(paths, files / "top.bin", size, 3, "xc7a35t");
    const RunResult r = run(paths, board, binRunArgs("xc7a35t", paths.appDir, files / "top.bin"));
    t.check(r.exitCode == 0, "BIN run succeeds", r.describe());
    // The pauses between writes remain at time scale 0 (about a second for
    // 1 MiB); the modelled waits, several seconds more, must not.
    // What the erase and the page programs alone are modelled to take (the
    // run prints OpenOCD's lines, which carry no total).
    const double modelled = (size / SpiFlash::kSectorSize) * adapter_timing::kSectorEraseSeconds +
                            (size / 256) * adapter_timing::kPageProgramSeconds;
    t.check(modelled > 3.0 && r.elapsed.count() < modelled + extraRunSeconds(),
            "1 MiB at time scale 0 takes less than the modelled time",
            std::to_string(r.elapsed.count()) + " s, modelled " + std::to_string(modelled) + " s");

    const ProgressCheck progress = checkProgress(r, size);
    std::string problems;
    for (const std::string &p : progress.problems)
        problems += p + "\n";
    t.check(progress.problems.empty(), "progress protocol kept", problems);
    t.check(progress.values.size() >= 200, "progress arrives as many separate chunks",
            std::to_string(progress.values.size()));
    t.check(shortSectorChunks(r) == 0, "no chunk looks like a too-fast erase");

    const auto file = readBytes(files / "top.bin");
    const auto flash = readBytes(board.file("flash.bin"));
    t.check(flash.size() == kFlashSize, "flash.bin is 16 MiB", std::to_string(flash.size()));
    if (flash.size() == kFlashSize) {
        t.check(std::equal(file.begin(), file.end(), flash.begin()), "file at offset 0 byte for byte");
        t.check(std::all_of(flash.begin() + size, flash.end(), [](std::uint8_t b) { return b == 0xff; }),
                "rest of the flash erased");
    }
    auto state = fpgaState(board.file("fpga"));
    std::size_t end = file.size();
    while (end > 0 && file[end - 1] == 0xff)
        --end;
    t.check(state["source"] == "flash", "reload configured the FPGA from flash", state["source"]);
    t.check(state["bytes"] == std::to_string(end) && state["crc32"] == crc32Hex(file, end),
            "the FPGA read the image that was written");
    t.check(!lastLineWith(r.output(), "read " + std::to_string(size) + " bytes from file").empty() &&
                lastLineWith(r.output(), "contents ") == "contents match",
            "write reported as verified");

    // Without the reload the FPGA still holds the proxy.
    SimBoard second("xc7a35t");
    auto args = binRunArgs("xc7a35t", paths.appDir, files / "top.bin");
    args.erase(args.end() - 4, args.end() - 2);
    const RunResult noReload = run(paths, second, args);
    auto proxyState = fpgaState(second.file("fpga"));
    t.check(noReload.exitCode == 0 && proxyState["source"] == "jtag" && proxyState["design"] == "bscan_spi_xc7a35t",
            "after jtagspi_init alone the FPGA runs the proxy", noReload.describe());
}

// A reload starts the FPGA only from a bitstream for it at the flash's start:
// the sync word within the first 512 bytes, its IDCODE packet (if any) naming
// the part, stepping aside. Each case is a flash the part would not take but
// a looser rule would, or the other way round.
void reloadTakesOnlyABitstream(TestReport &t, const SimPaths &paths)
{
    ScratchDir files;
    makeBin(paths, files / "a35.bin", 8192, 2, "xc7a35t");
    const std::vector<std::uint8_t> image = readBytes(files / "a35.bin");
    const auto reloaded = [&](const std::vector<std::uint8_t> &flash, const std::string &what) {
        SimBoard board("xc7a35t");
        std::vector<std::uint8_t> whole(kFlashSize, 0xff);
        std::copy(flash.begin(), flash.end(), whole.begin());
        writeBytes(board.file("flash.bin"), whole);
        const RunResult r = run(paths, board,
                                {"-c", "adapter driver qb562; adapter speed 1000", "-c",
                                 "source [find cpld/xilinx-xc7.cfg]", "-c", "init; xc7_program xc7.tap", "-c", "exit"});
        t.check(r.exitCode == 0, what + ": the reload runs", r.describe());
        return fpgaState(board.file("fpga"))["source"] == "flash";
    };
    t.check(reloaded(image, "its own bitstream"), "a bitstream for the part starts it");

    // The image moved so that its sync word ends at byte 512, or one later.
    const auto syncAt = std::search(image.begin(), image.end(), std::begin(kSyncWord), std::end(kSyncWord));
    t.check(syncAt != image.end(), "the bitstream carries the sync word");
    const std::size_t syncEnd = static_cast<std::size_t>(syncAt - image.begin()) + 4;
    std::vector<std::uint8_t> late(512 - syncEnd + 1, 0x00);
    late.insert(late.end(), image.begin(), image.end());
    t.check(!reloaded(late, "a late sync word"), "a sync word past the first 512 bytes leaves it unconfigured");
    std::vector<std::uint8_t> inTime(512 - syncEnd, 0x00);
    inTime.insert(inTime.end(), image.begin(), image.end());
    t.check(reloaded(inTime, "a sync word in time"), "a sync word ending at byte 512 is found");

    // The IDCODE word follows the sync word and the 0x30018001 header.
    const auto idcodeAt = std::search(image.begin(), image.end(), std::begin(kIdcodeHeader), std::end(kIdcodeHeader));
    t.check(idcodeAt != image.end(), "the bitstream carries an IDCODE packet");
    if (idcodeAt == image.end())
        return;
    const std::size_t word = static_cast<std::size_t>(idcodeAt - image.begin()) + 4;
    std::vector<std::uint8_t> stepping = image;
    stepping[word] = static_cast<std::uint8_t>(stepping[word] ^ 0x50);
    t.check(reloaded(stepping, "another stepping"), "another stepping of the part starts it");
    std::vector<std::uint8_t> other = image;
    other[word + 2] = static_cast<std::uint8_t>(other[word + 2] ^ 0x10);
    t.check(!reloaded(other, "another part"), "an IDCODE of another part leaves it unconfigured");
}

// Writing inside partly covered sectors loses the rest of them, as OpenOCD's
// jtagspi_program (write_image erase, then verify_bank) does; every byte
// outside those sectors stays.
void flashNeighbours(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    std::vector<std::uint8_t> before(kFlashSize);
    for (std::size_t i = 0; i < before.size(); ++i)
        before[i] = static_cast<std::uint8_t>(i * 13 + (i >> 16));
    writeBytes(board.file("flash.bin"), before);
    const std::uint32_t offset = 0x12345;
    const std::uint32_t size = 70000;
    makeBin(paths, files / "part.bin", size, 9);
    const std::vector<std::string> args{
        "-c", "adapter driver qb562; adapter speed 1000",
        "-c", "source [find cpld/xilinx-xc7.cfg]; source [find cpld/jtagspi.cfg]",
        "-c", "init; jtagspi_init 0 " + paths.proxyFor("xc7a35t"),
        "-c", "jtagspi_program " + files / "part.bin" + " " + std::to_string(offset),
        "-c", "exit"};
    const RunResult r = run(paths, board, args);
    t.check(r.exitCode == 0, "write at an odd offset succeeds", r.describe());
    const ProgressCheck progress = checkProgress(r, size);
    t.check(progress.problems.empty(), "progress counts the file's bytes");
    t.check(r.output().find("Warn : Adding extra erase range, 0x00010000 .. 0x00012344\n") != std::string::npos &&
                r.output().find("\ncontents match\n") != std::string::npos,
            "the lost head is warned about and the verify's lines are printed", r.describe());

    auto expected = before;
    const std::uint32_t sectorsStart = 0x10000;
    const std::uint32_t sectorsEnd = 0x30000;
    std::fill(expected.begin() + sectorsStart, expected.begin() + sectorsEnd, 0xff);
    const auto file = readBytes(files / "part.bin");
    std::copy(file.begin(), file.end(), expected.begin() + offset);
    const auto flash = readBytes(board.file("flash.bin"));
    t.check(flash == expected, "file at its offset, the rest of its sectors erased, every other byte as before");
}

void argumentLog(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    makeBit(paths, "xc7a35t", files / "top.bit", 512);
    const auto args = bitRunArgs("xc7a35t", files / "top.bit");
    const RunResult r = run(paths, board, args, {{"QB562_SIM_ARGS_LOG", files / "args.log"}});
    std::string expected;
    for (const std::string &arg : args)
        expected += arg + '\0';
    const auto logged = readBytes(files / "args.log");
    t.check(r.exitCode == 0 && std::string(logged.begin(), logged.end()) == expected,
            "argument log holds every argument NUL-terminated");
    writeText(files / "args.log", std::string(4096, 'x'));
    run(paths, board, {"-c", "version"}, {{"QB562_SIM_ARGS_LOG", files / "args.log"}});
    const auto shorter = readBytes(files / "args.log");
    t.check(std::string(shorter.begin(), shorter.end()) == std::string("-c\0version\0", 11),
            "argument log is overwritten");
}

// User paths arrive with Tcl escapes and must reach the file name verbatim.
void escapedPaths(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    const AwkwardNames names = awkwardNames();
    const std::string dir = nativeSeparators(files / names.folder);
    makeDir(dir);
    const std::string bit = nativeSeparators(dir + "/" + names.file + ".bit");
    makeBit(paths, "xc7a35t", bit, 1024);
    const RunResult r = run(paths, board, bitRunArgs("xc7a35t", bit));
    t.check(r.exitCode == 0, "escaped .bit path with every character Tcl treats apart that a file name may hold",
            r.describe());
    t.check(fpgaState(board.file("fpga"))["file"] == bit, "the escaped path reached the file name verbatim");

    const std::string bin = nativeSeparators(dir + "/top.bin");
    makeBin(paths, bin, 5000);
    makeDir(dir + "/FPGABit");
    writeBytes(dir + "/FPGABit/bscan_spi_xc7a35t.bit", readBytes(paths.proxyFor("xc7a35t")));
    const RunResult binRun = run(paths, board, binRunArgs("xc7a35t", dir, bin));
    t.check(binRun.exitCode == 0, "escaped BIN and proxy paths", binRun.describe());
    const auto flash = readBytes(board.file("flash.bin"));
    const auto file = readBytes(bin);
    t.check(flash.size() == kFlashSize && std::equal(file.begin(), file.end(), flash.begin()),
            "escaped BIN path written to flash");
}

void injection(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    // The child runs in `files`, so the substitution would create the marker
    // there; the file name itself can hold no slash.
    const std::string marker = files / "pwned";
    const std::string bit = files / "x [exec touch pwned].bit";
    makeBit(paths, "xc7a35t", bit, 512);

    const RunResult raw = run(paths, board, unquotedBitRunArgs("xc7a35t", bit), {}, files.path());
    t.check(raw.exitCode != 0 && raw.output().find("Error:") != std::string::npos,
            "unescaped path with a command substitution is refused", raw.describe());
    t.check(!exists(marker), "nothing in the path was run");
    t.check(!exists(board.file("fpga")), "nothing was loaded");

    const RunResult escaped = run(paths, board, bitRunArgs("xc7a35t", bit), {}, files.path());
    t.check(escaped.exitCode == 0 && fpgaState(board.file("fpga"))["file"] == bit,
            "the same path escaped loads that very file", escaped.describe());
    t.check(!exists(marker), "still nothing run");

    const RunResult dollar = run(paths, board, unquotedBitRunArgs("xc7a35t", files / "$HOME.bit"));
    t.check(dollar.exitCode != 0, "unescaped $ is not expanded into a path");
}

void sandbox(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xc7a35t");
    ScratchDir files;
    const RunResult listing = run(paths, board, {"-c",
        "foreach c {exec open file glob load package readdir env pid signal os.fork os.wait aio source exit} "
        "{ puts \"$c=[llength [info commands $c]]\" }"});
    const std::string out = listing.output();
    for (const char *gone : {"exec", "open", "file", "glob", "load", "package", "readdir", "env", "pid", "signal",
                             "os.fork", "os.wait", "aio"})
        t.check(out.find(std::string(gone) + "=0") != std::string::npos, std::string(gone) + " is not available", out);
    t.check(out.find("source=1") != std::string::npos && out.find("exit=1") != std::string::npos,
            "source and exit are there (the simulator's own)", out);

    writeText(files / "evil.cfg", "puts SOURCED\n");
    const RunResult outside = run(paths, board, {"-c", "source " + files / "evil.cfg"});
    t.check(outside.exitCode == 1 && outside.output().find("SOURCED") == std::string::npos,
            "a script outside the scripts folder is not sourced", outside.describe());
    const RunResult escape = run(paths, board, {"-c", "find ../../bin/openocd.exe"});
    t.check(escape.exitCode == 1 && escape.output().find("can't find") != std::string::npos,
            "find stays inside the scripts folder", escape.describe());
    const RunResult found = run(paths, board, {"-c", "puts [find cpld/jtagspi.cfg]"});
    t.check(found.exitCode == 0 && found.output().find("/share/openocd/scripts/cpld/jtagspi.cfg") != std::string::npos,
            "find returns the full path", found.describe());

    const RunResult exited = run(paths, board, {"-c", "puts before", "-c", "exit", "-c", "puts after"});
    t.check(exited.exitCode == 0 && exited.output().find("before") != std::string::npos &&
                exited.output().find("after") == std::string::npos,
            "exit ends the run with status 0", exited.describe());
    const RunResult failed = run(paths, board, {"-c", "error boom", "-c", "puts after"});
    t.check(failed.exitCode == 1 && failed.output().find("Error: boom\n") != std::string::npos &&
                failed.output().find("after") == std::string::npos,
            "the first error ends the run with status 1", failed.describe());
    const RunResult option = run(paths, board, {"-f", "board.cfg"});
    t.check(option.exitCode == 1 && option.output().find("Usage") != std::string::npos,
            "unknown option gives an error and the usage", option.describe());
    const RunResult driver = run(paths, board, {"-c", "adapter driver ftdi"});
    t.check(driver.exitCode == 1 && driver.output().find("qb562") != std::string::npos,
            "other adapter drivers are refused", driver.describe());
}

}  // namespace

// The UltraScale script wants its chip named first, as OpenOCD 0.12's does;
// named, its TAP is on an xcku040's chain and xcu_program boots the flash.
void ultraScaleScript(TestReport &t, const SimPaths &paths)
{
    SimBoard board("xcku040");
    const std::string driver = "adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;";
    const std::string source = "source [find cpld/xilinx-xcu.cfg];";
    const RunResult bare = run(paths, board, {"-c", driver, "-c", source, "-c", "init;", "-c", "exit"});
    t.check(bare.exitCode == 1 && bare.output().find("Error: set CHIP to one of XCKU025 XCKU035 XCKU040 ") !=
                                      std::string::npos,
            "the script without CHIP fails, naming the chips", bare.describe());
    t.check(bare.output().find("Info : QB562 adapter") == std::string::npos, "it stops before init", bare.describe());
    const RunResult unknown = run(paths, board, {"-c", driver, "-c", "set CHIP XCKU999; " + source, "-c", "exit"});
    t.check(unknown.exitCode == 1 && unknown.output().find("unknown CHIP: XCKU999") != std::string::npos,
            "an unknown CHIP fails", unknown.describe());

    ScratchDir files;
    std::vector<std::uint8_t> flash(kFlashSize, 0xff);
    makeBin(paths, files / "ku.bin", 70000, 4, "xcku040");
    const std::vector<std::uint8_t> image = readBytes(files / "ku.bin");
    std::copy(image.begin(), image.end(), flash.begin());
    writeBytes(board.file("flash.bin"), flash);
    const RunResult boot = run(paths, board,
                               {"-c", driver, "-c", "set CHIP XCKU040; " + source, "-c", "init; virtex2 read_stat 0;",
                                "-c", "xcu_program xcu.tap;", "-c", "virtex2 read_stat 0;", "-c", "exit"});
    const std::string out = boot.output();
    t.check(boot.exitCode == 0 && out.find("JTAG tap: xcu.tap tap/device found: 0x03822093") != std::string::npos,
            "xcu.tap answers with the xcku040's IDCODE", boot.describe());
    const auto before = out.find("virtex2 status register: 0x00001800");
    t.check(before != std::string::npos && out.find("virtex2 status register: 0x401079fc", before) != std::string::npos,
            "DONE low before the reload, high after it", boot.describe());
    const auto state = fpgaState(board.file("fpga"));
    t.check(state.count("source") && state.at("source") == "flash" && state.at("part") == "xcku040",
            "the xcku040 configured itself from flash", boot.describe());
}

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    TestReport t("openocd_runs");
    bitLoad(t, paths);
    writesKeepTheGap(t, paths);
    binWrite(t, paths);
    reloadTakesOnlyABitstream(t, paths);
    flashNeighbours(t, paths);
    argumentLog(t, paths);
    escapedPaths(t, paths);
    injection(t, paths);
    sandbox(t, paths);
    ultraScaleScript(t, paths);
    return t.finish();
}
