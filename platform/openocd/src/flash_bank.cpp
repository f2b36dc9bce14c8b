#include "flash_bank.h"

#include "adapter_timing.h"
#include "native_file.h"
#include "session.h"
#include "sim_error.h"
#include "spi_flash.h"

#include <algorithm>
#include <cstdio>

namespace {

// The scripts name the flash and the proxy target after the FPGA's chip.
std::string chipOf(const Session &session)
{
    for (const Tap &tap : session.taps()) {
        if (tap.present)
            return tap.chip;
    }
    return "fpga";
}

}  // namespace

namespace flash_bank {

void requireReachable(Session &session, const std::string &command)
{
    session.board();
    if (!session.proxyActive())
        throw SimError(command + ": the FPGA does not run the JTAG-to-SPI proxy, so the flash can't be reached; run "
                       "jtagspi_init first");
}

void requireBank(long bank)
{
    if (bank != 0)
        throw SimError("flash bank '" + std::to_string(bank) + "' not found: the simulated chain has one flash, bank 0");
}

std::string name(const Session &session)
{
    return chipOf(session) + ".spi";
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

std::string kibPerSecond(std::uint64_t bytes, double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(bytes) / 1024.0 / std::max(seconds, 1e-6));
    return text;
}

}  // namespace flash_bank

namespace {

using flash_bank::hex;

constexpr std::uint32_t kSectors = SpiFlash::kSize / SpiFlash::kSectorSize;

// "\t#  2: 0x00020000 (0x10000 64kB) <state>", one sector of a listing.
std::string sectorLine(std::uint32_t sector, const char *state)
{
    char text[96];
    std::snprintf(text, sizeof text, "\t#%3u: 0x%08x (0x%x %ukB) %s", static_cast<unsigned>(sector),
                  static_cast<unsigned>(sector * SpiFlash::kSectorSize), static_cast<unsigned>(SpiFlash::kSectorSize),
                  static_cast<unsigned>(SpiFlash::kSectorSize / 1024), state);
    return text;
}

std::string bankLine(const std::string &label)
{
    return "#0 : " + label + " at 0x00000000, size " + hex(SpiFlash::kSize) + ", buswidth 0, chipwidth 0";
}

}  // namespace

void flashBanks(Session &session)
{
    flash_bank::requireReachable(session, "flash banks");
    session.console().line(bankLine(flash_bank::name(session) + " (jtagspi)"));
}

void flashInfo(Session &session, long bank)
{
    flash_bank::requireBank(bank);
    flash_bank::requireReachable(session, "flash info");
    Console &console = session.console();
    console.info("Flash protection check is not implemented.");
    console.line(bankLine("jtagspi"));
    // The sector table in one write: a line each would cost a chunk gap
    // each, seconds for a table no reader judges line by line.
    std::string table;
    for (std::uint32_t sector = 0; sector < kSectors; ++sector)
        table += sectorLine(sector, "not protected") + "\n";
    console.raw(table);
    char text[256];
    std::snprintf(text, sizeof text, "flash '%s', device id = 0x%06x, flash size = %u kbytes", SpiFlash::kChipName,
                  static_cast<unsigned>(SpiFlash::kDeviceId), static_cast<unsigned>(SpiFlash::kSize / 1024));
    console.line(text);
    std::snprintf(text, sizeof text,
                  "(page size = %u, read = 0x03, qread = 0xeb, pprog = 0x02, mass_erase = 0xc7, sector size = %u "
                  "kbytes, sector_erase = 0xd8)",
                  static_cast<unsigned>(SpiFlash::kPageSize), static_cast<unsigned>(SpiFlash::kSectorSize / 1024));
    console.line(text);
}

std::string flashList(Session &session)
{
    flash_bank::requireReachable(session, "flash list");
    const std::string bank = "{name jtagspi base 0 size " + std::to_string(SpiFlash::kSize) +
                             " bus_width 0 chip_width 0}";
    session.console().line(bank);
    return bank;
}

void readBank(Session &session, long bank, const std::string &path, long long offset,
              std::optional<long long> length)
{
    flash_bank::requireBank(bank);
    flash_bank::requireReachable(session, "flash read_bank");
    if (offset < 0 || offset > static_cast<long long>(SpiFlash::kSize) || (length && *length < 0))
        throw SimError("flash read_bank: offset " + std::to_string(offset) + (length ? " and length " + std::to_string(*length) : "") +
                       " do not name bytes of the " + std::to_string(SpiFlash::kSize) + "-byte flash bank");
    const long long wanted = length.value_or(static_cast<long long>(SpiFlash::kSize) - offset);
    if (offset + wanted > static_cast<long long>(SpiFlash::kSize)) {
        // OpenOCD's words; it refuses before reading anything.
        throw SimError("Length of " + std::to_string(wanted) + " bytes with offset " +
                       hex(static_cast<std::uint32_t>(offset)) + " is out of range of the flash bank");
    }
    const auto start = static_cast<std::uint32_t>(offset);
    const auto size = static_cast<std::uint32_t>(wanted);
    const std::vector<std::uint8_t> flash = SpiFlash::readImage(session.board().file("flash.bin"));
    NativeFile out;
    if (!out.open(path, NativeFile::Mode::Create))
        throw SimError("flash read_bank: can't write " + path + ": " + out.errorText());
    Pacer pacer = session.pacer();
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t step = std::min<std::uint32_t>(SpiFlash::kSectorSize, size - done);
        pacer.spend(adapter_timing::shiftSeconds(step, session.speedKhz()));
        if (!out.writeAll(flash.data() + start + done, step))
            throw SimError("flash read_bank: can't write " + path + ": " + out.errorText());
        done += step;
    }
    out.close();
    const double took = pacer.modelledSeconds();
    session.console().line("wrote " + std::to_string(size) + " bytes to file " + path + " from flash bank 0 at offset " +
                           hex(start) + " in " + flash_bank::seconds(took) + "s (" +
                           flash_bank::kibPerSecond(size, took) + " KiB/s)");
}

void eraseCheck(Session &session, long bank)
{
    flash_bank::requireBank(bank);
    flash_bank::requireReachable(session, "flash erase_check");
    Console &console = session.console();
    const std::string target = chipOf(session) + ".proxy";
    // OpenOCD 0.12 line for line, its listing starting at sector 1 included;
    // the command fails with nothing more said.
    console.line("Running slow fallback erase check");
    console.error("Target " + target + " doesn't support read_memory");
    console.line("unknown error when checking erase state of flash bank #0 at 0x00000000");
    std::string table;
    for (std::uint32_t sector = 1; sector < kSectors; ++sector)
        table += sectorLine(sector, "erase state unknown") + "\n";
    console.raw(table);
    throw SimError("");
}
