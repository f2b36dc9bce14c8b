// The flash bank commands after jtagspi_init, OpenOCD 0.12's traps included:
// what ends up in the flash, what comes out, and the exit status.

#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kFlashSize = 16u << 20;
constexpr std::uint32_t kSector = 64u << 10;

// A flash whose every byte differs from its neighbours and from 0xff, so
// that each erased or written byte shows.
std::vector<std::uint8_t> patterned()
{
    std::vector<std::uint8_t> bytes(kFlashSize);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + (i >> 12)) % 255);
    return bytes;
}

struct Bench {
    explicit Bench(const SimPaths &simPaths) : paths(simPaths) {}

    const SimPaths &paths;
    SimBoard board{"xc7k325t"};
    ScratchDir files;

    // `commands` after the window's set-up up to jtagspi_init, then exit.
    RunResult run(const std::vector<std::string> &commands) const
    {
        RunOptions options;
        options.args = {"-c", "adapter driver qb562; adapter speed 30000",
                        "-c", "source [find cpld/xilinx-xc7.cfg]; source [find cpld/jtagspi.cfg]",
                        "-c", "init; jtagspi_init 0 " + paths.proxyFor("xc7k325t")};
        for (const std::string &command : commands) {
            options.args.push_back("-c");
            options.args.push_back(command);
        }
        options.args.insert(options.args.end(), {"-c", "exit"});
        options.env = simEnv(board.bus());
        return runProgram(paths.openocd, options);
    }
    std::vector<std::uint8_t> flash() const { return readBytes(board.file("flash.bin")); }
};

bool has(const RunResult &r, const std::string &line)
{
    return r.output().find("\n" + line) != std::string::npos;
}

void fill(std::vector<std::uint8_t> &bytes, std::uint32_t from, std::uint32_t to)
{
    std::fill(bytes.begin() + from, bytes.begin() + to, 0xff);
}

void writeImageTraps(TestReport &t, const SimPaths &paths)
{
    const Bench bench(paths);
    const auto before = patterned();
    writeBytes(bench.board.file("flash.bin"), before);
    const std::uint32_t size = 2 * kSector;
    makeBin(paths, bench.files / "img.bin", size, 5);
    const auto image = readBytes(bench.files / "img.bin");

    const std::uint32_t offset = 2 * kSector + 0x100;
    const RunResult unaligned = bench.run({"flash write_image erase " + bench.files / "img.bin" + " 0x20100 bin"});
    t.check(unaligned.exitCode == 0, "write_image at an unaligned offset succeeds", unaligned.describe());
    t.check(has(unaligned, "Warn : Adding extra erase range, 0x00020000 .. 0x000200ff\n") &&
                has(unaligned, "Info : sector 4 took 150 ms\n") && has(unaligned, "auto erase enabled\n") &&
                has(unaligned, "wrote 196352 bytes from file " + bench.files / "img.bin" + " in "),
            "the head is warned about and the tail's padding counted", unaligned.describe());
    t.check(checkProgress(unaligned, size).problems.empty(), "progress chunks count the image");
    auto expected = before;
    fill(expected, 2 * kSector, 5 * kSector);
    std::copy(image.begin(), image.end(), expected.begin() + offset);
    t.check(bench.flash() == expected, "the image at its offset, the rest of its sectors erased, all else kept");

    const RunResult past = bench.run({"flash write_image erase " + bench.files / "img.bin" + " 0xFF0000 bin"});
    t.check(past.exitCode == 0 && has(past, "Warn : no flash bank found for address 0x01000000\n") &&
                has(past, "wrote 65536 bytes from file "),
            "past the end: a warning, what fits written, and success", past.describe());
    const auto flash = bench.flash();
    t.check(std::equal(image.begin(), image.begin() + kSector, flash.end() - kSector), "the image's first sector fits");

    writeText(bench.board.file("fast-erase"), "1\n");
    const RunResult fast = bench.run({"flash write_image erase " + bench.files / "img.bin" + " 0x30000"});
    const auto chunks = separateChunks(fast).chunks;
    t.check(fast.exitCode == 0 && shortSectorChunks(fast) == 1 &&
                std::count(chunks.begin(), chunks.end(), "Warn: sector 3 took 3ms\r\n") == 1 &&
                !exists(bench.board.file("fast-erase")),
            "the fast-erase fault hits write_image's first sector and is used up", fast.describe());
}

// OpenOCD 0.12 with an image past the flash's end (measured): it writes what
// fits, warns, compares only that, says "contents match" and exits 0.
void jtagspiProgramPastTheEnd(TestReport &t, const SimPaths &paths)
{
    const Bench bench(paths);
    const std::string big = bench.files / "big.bin";
    makeBin(paths, big, kFlashSize + kSector + 1, 7, "xc7k325t");
    const auto image = readBytes(big);
    const auto linesInOrder = [](const RunResult &r, const std::vector<std::string> &lines) {
        std::size_t at = 0;
        for (const std::string &line : lines) {
            at = r.output().find("\n" + line, at);
            if (at == std::string::npos)
                return false;
            at += line.size();
        }
        return true;
    };

    RunOptions window;
    window.args = binRunArgs("xc7k325t", paths.appDir, big, 30000);
    window.env = simEnv(bench.board.bus());
    const RunResult whole = runProgram(paths.openocd, window);
    t.check(whole.exitCode == 0 &&
                linesInOrder(whole, {"Info : took 36480 ms\n", "0x01000000\r\n",
                                     "Warn : no flash bank found for address 0x01000000\n",
                                     "Info : File content exceeds flash bank size. Only comparing the first 16777216 "
                                     "bytes of the file\n",
                                     "read 16777216 bytes from file " + big + " and flash bank 0 at offset 0x00000000 in ",
                                     "contents match\n"}),
            "the window's list at 0: chip erase, the warning, a verify of what fits, exit 0", whole.describe());
    const auto flash = bench.flash();
    t.check(flash.size() == kFlashSize && std::equal(flash.begin(), flash.end(), image.begin()),
            "the flash holds the image's first 16 MiB");
    t.check(fpgaState(bench.board.file("fpga"))["source"] == "flash", "and the reload boots from it");

    const RunResult tail = bench.run({"jtagspi_program " + big + " 0xff0000"});
    t.check(tail.exitCode == 0 &&
                linesInOrder(tail, {"Info : sector 255 took 150 ms\n",
                                    "Warn : no flash bank found for address 0x01000000\n",
                                    "Info : File content exceeds flash bank size. Only comparing the first 65536 "
                                    "bytes of the file\n",
                                    "read 65536 bytes from file " + big + " and flash bank 0 at offset 0x00ff0000 in ",
                                    "contents match\n"}),
            "at 0xff0000: one sector written and compared, exit 0", tail.describe());
    const auto after = bench.flash();
    t.check(std::equal(image.begin(), image.begin() + kSector, after.end() - kSector) &&
                std::equal(after.begin(), after.end() - kSector, flash.begin()),
            "the last sector holds the image's start, the rest is as before");
}

void readBank(TestReport &t, const SimPaths &paths)
{
    const Bench bench(paths);
    const auto flash = patterned();
    writeBytes(bench.board.file("flash.bin"), flash);
    const std::string out = bench.files / "out.bin";
    const RunResult r = bench.run({"flash read_bank 0 " + out + " 0x10000 0x1000",
                                   "flash read_bank 0 " + bench.files / "tail.bin" + " 0xFFF000"});
    t.check(r.exitCode == 0 && has(r, "wrote 4096 bytes to file " + out + " from flash bank 0 at offset 0x00010000 in "),
            "read_bank reports as OpenOCD does", r.describe());
    t.check(readBytes(out) == std::vector<std::uint8_t>(flash.begin() + 0x10000, flash.begin() + 0x11000),
            "the flash's bytes at the offset");
    t.check(readBytes(bench.files / "tail.bin") == std::vector<std::uint8_t>(flash.end() - 0x1000, flash.end()),
            "without a length, up to the end of the bank");

    const RunResult past = bench.run({"flash read_bank 0 " + bench.files / "past.bin" + " 0xFFFF00 0x200"});
    t.check(past.exitCode == 1 &&
                has(past, "Error: Length of 512 bytes with offset 0x00ffff00 is out of range of the flash bank\n") &&
                !exists(bench.files / "past.bin"),
            "past the end refused before anything is read", past.describe());
}

void erases(TestReport &t, const SimPaths &paths)
{
    const Bench bench(paths);
    const auto before = patterned();
    writeBytes(bench.board.file("flash.bin"), before);
    const RunResult refused = bench.run({"flash erase_address 0x10100 0x100"});
    t.check(refused.exitCode == 1 && has(refused, "Error: address range 0x00010100 .. 0x000101ff is not sector-aligned\n"),
            "unaligned erase_address refused", refused.describe());
    t.check(bench.flash() == before, "and nothing erased");

    const RunResult padded = bench.run({"flash erase_address pad 0x10100 0x100"});
    t.check(padded.exitCode == 0 && has(padded, "Warn : Adding extra erase range, 0x00010000 .. 0x000100ff\n") &&
                has(padded, "Warn : Adding extra erase range, 0x00010200 .. 0x0001ffff\n") &&
                has(padded, "erased address 0x00010100 (length 256) in "),
            "pad warns for each side", padded.describe());
    auto expected = before;
    fill(expected, kSector, 2 * kSector);
    t.check(bench.flash() == expected, "pad erases the whole sector, nothing more");

    const RunResult sectors = bench.run({"flash erase_sector 0 2 3"});
    fill(expected, 2 * kSector, 4 * kSector);
    t.check(sectors.exitCode == 0 && has(sectors, "Info : sector 3 took 150 ms\n") &&
                has(sectors, "erased sectors 2 through 3 on flash bank 0 in ") && bench.flash() == expected,
            "erase_sector erases just its sectors", sectors.describe());

    const RunResult chip = bench.run({"flash erase_sector 0 0 last"});
    const auto flash = bench.flash();
    t.check(chip.exitCode == 0 && has(chip, "Info : took ") && chip.output().find("Info : sector") == std::string::npos &&
                has(chip, "erased sectors 0 through 255 on flash bank 0 in ") &&
                std::all_of(flash.begin(), flash.end(), [](std::uint8_t b) { return b == 0xff; }),
            "erase_sector 0 0 last is one chip erase of everything", chip.describe());

    writeBytes(bench.board.file("flash.bin"), before);
    const RunResult pulled = [&] {
        RunOptions options;
        options.args = {"-c", "adapter driver qb562; source [find cpld/xilinx-xc7.cfg]; source [find cpld/jtagspi.cfg]",
                        "-c", "init; jtagspi_init 0 " + paths.proxyFor("xc7k325t"), "-c", "flash erase_sector 0 1 200"};
        options.env = simEnv(bench.board.bus());
        options.onChunk = [&](const std::string &chunk, ChildProcess &) {
            if (chunk.find("sector 1 took") == std::string::npos)
                return true;
            unplug(bench.board.dir());
            return false;
        };
        return runProgram(paths.openocd, options);
    }();
    t.check(pulled.exitCode == 1 && pulled.output().find("unplugged") != std::string::npos &&
                pulled.output().find("erased sectors") == std::string::npos,
            "unplugging during an erase ends it", pulled.describe());
}

void bankInfo(TestReport &t, const SimPaths &paths)
{
    const Bench bench(paths);
    const RunResult r = bench.run({"flash banks", "flash info 0", "puts \"list=[flash list]\""});
    const std::string out = r.output();
    t.check(r.exitCode == 0 && has(r, "#0 : xc7.spi (jtagspi) at 0x00000000, size 0x01000000, buswidth 0, chipwidth 0\n"),
            "flash banks names the bank, its base and size", out);
    t.check(has(r, "\t#255: 0x00ff0000 (0x10000 64kB) not protected\n") &&
                std::count(out.begin(), out.end(), '\t') == 256,
            "flash info lists the 256 sectors of 64 KiB", out);
    t.check(has(r, "flash 'micron n25q128', device id = 0x18ba20, flash size = 16384 kbytes\n") &&
                out.find("sector size = 64 kbytes") != std::string::npos,
            "flash info states the chip, its size and sector size", out);
    t.check(has(r, "list={name jtagspi base 0 size 16777216 bus_width 0 chip_width 0}\n"),
            "flash list gives one dict per bank as its result", out);

    const RunResult check = bench.run({"flash erase_check 0"});
    t.check(check.exitCode == 1 && has(check, "Error: Target xc7.proxy doesn't support read_memory\n") &&
                has(check, "\t#255: 0x00ff0000 (0x10000 64kB) erase state unknown\n"),
            "erase_check fails as OpenOCD 0.12's does", check.describe());
}

// write_bank programs without erasing, so over bytes that are not erased the
// flash keeps old AND new, as NOR does; a later run finds the bank with
// `flash probe` while the FPGA still runs the proxy, and not after a reload.
void writeBankAndProbe(TestReport &t, const SimPaths &paths)
{
    Bench bench(paths);
    auto flash = patterned();
    fill(flash, 0x30000, 0x40000);
    writeBytes(bench.board.file("flash.bin"), flash);
    std::vector<std::uint8_t> data(5000, 0x5a);
    writeBytes(bench.files / "d.bin", data);
    const std::string d = bench.files / "d.bin";
    const RunResult r = bench.run({"flash write_bank 0 " + d + " 0x30000", "flash write_bank 0 " + d + " 0x40000"});
    t.check(r.exitCode == 0 && has(r, "wrote 5000 bytes from file " + d + " to flash bank 0 at offset 0x00030000 in ") &&
                r.output().find("\n0x") == std::string::npos && r.output().find("took") == std::string::npos,
            "write_bank reports as OpenOCD 0.12 does: once, at the end, nothing erased", r.describe());
    auto expected = flash;
    std::copy(data.begin(), data.end(), expected.begin() + 0x30000);
    for (std::size_t i = 0; i < data.size(); ++i)
        expected[0x40000 + i] = static_cast<std::uint8_t>(flash[0x40000 + i] & 0x5a);
    t.check(bench.flash() == expected, "written over erased bytes as they are, over others as their AND");

    RunOptions options;
    options.args = {"-c", "adapter driver qb562; adapter speed 30000",
                    "-c", "source [find cpld/xilinx-xc7.cfg]; source [find cpld/jtagspi.cfg]",
                    "-c", "init; flash probe 0", "-c", "flash verify_bank 0 " + d + " 0x30000", "-c", "exit"};
    options.env = simEnv(bench.board.bus());
    const RunResult probed = runProgram(paths.openocd, options);
    t.check(probed.exitCode == 0 && has(probed, "Info : Found flash device 'micron n25q128' (ID 0x18ba20)\n") &&
                has(probed, "flash 'jtagspi' found at 0x00000000\n") && has(probed, "contents match\n"),
            "flash probe finds the bank through the proxy an earlier run loaded", probed.describe());
    const RunResult reloaded = bench.run({"xc7_program xc7.tap"});
    t.check(reloaded.exitCode == 0, "reload", reloaded.describe());
    options.args[5] = "init; if {[catch {flash probe 0}]} {puts fallback}";
    const RunResult gone = runProgram(paths.openocd, options);
    t.check(gone.exitCode == 1 && has(gone, "fallback\n") && has(gone, "Error: Unknown flash device (ID 0xffffff)\n") &&
                gone.output().find("contents match") == std::string::npos,
            "after a reload the probe fails, so a list falls back to loading the proxy", gone.describe());
}

}  // namespace

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    TestReport t("openocd_flash");
    writeImageTraps(t, paths);
    jtagspiProgramPastTheEnd(t, paths);
    readBank(t, paths);
    erases(t, paths);
    bankInfo(t, paths);
    writeBankAndProbe(t, paths);
    return t.finish();
}
