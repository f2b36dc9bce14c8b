#include "flash_programming.h"

#include "adapter_timing.h"
#include "bit_file.h"
#include "file_io.h"
#include "session.h"
#include "sim_error.h"
#include "spi_flash.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint32_t kCommandBytes = 4;  // opcode and 24-bit address

std::string hexAddress(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

class Writer {
public:
    Writer(SpiFlash &flash, Pacer &pacer, long khz) : flash_(flash), pacer_(pacer), khz_(khz)
    {
    }

    void erase(std::uint32_t sector)
    {
        pacer_.spend(adapter_timing::shiftSeconds(kCommandBytes, khz_) + adapter_timing::kSectorEraseSeconds);
        flash_.eraseSector(sector);
    }

    // Programs `length` bytes at `address` page by page; `afterPage` gets the
    // number of bytes done so far.
    template <typename AfterPage>
    void program(std::uint32_t address, const std::uint8_t *data, std::uint32_t length, bool skipErased,
                 AfterPage afterPage)
    {
        std::uint32_t done = 0;
        while (done < length) {
            const std::uint32_t here = address + done;
            const std::uint32_t room = SpiFlash::kPageSize - here % SpiFlash::kPageSize;
            const std::uint32_t step = std::min(room, length - done);
            const bool erasedAlready =
                skipErased && std::all_of(data + done, data + done + step, [](std::uint8_t b) { return b == 0xff; });
            if (!erasedAlready) {
                pacer_.spend(adapter_timing::shiftSeconds(kCommandBytes + step, khz_) +
                             adapter_timing::kPageProgramSeconds);
                flash_.programPage(here, data + done, step);
            }
            done += step;
            afterPage(done);
        }
    }

private:
    SpiFlash &flash_;
    Pacer &pacer_;
    long khz_;
};

}  // namespace

std::uint32_t progressStep(std::uint32_t size)
{
    constexpr std::uint32_t kMinimum = 4096;
    constexpr std::uint32_t kReports = 256;
    const std::uint32_t wanted = (size / kReports + kMinimum - 1) / kMinimum * kMinimum;
    return std::max(kMinimum, wanted);
}

void jtagspiProgram(Session &session, const std::string &path, long long offset)
{
    Board &board = session.board();
    if (!session.proxyActive())
        throw SimError("jtagspi_program: the FPGA does not run the JTAG-to-SPI proxy, so the flash can't be "
                       "reached; run jtagspi_init first");
    const std::vector<std::uint8_t> image = readWholeFile(path);
    if (image.empty())
        throw SimError("jtagspi_program: " + path + " is empty; there is nothing to write");
    if (offset < 0 || static_cast<unsigned long long>(offset) + image.size() > SpiFlash::kSize)
        throw SimError("jtagspi_program: " + path + " (" + std::to_string(image.size()) + " bytes) at offset " +
                       std::to_string(offset) + " does not fit the 16 MiB (" + std::to_string(SpiFlash::kSize) +
                       " bytes) flash");
    if (image.size() >= BitFile::kMagic.size() && std::equal(BitFile::kMagic.begin(), BitFile::kMagic.end(), image.begin()))
        session.console().warn(path + " is a .bit container; the FPGA boots from a raw .bin image, written as is");

    Console &console = session.console();
    const auto start = static_cast<std::uint32_t>(offset);
    const auto size = static_cast<std::uint32_t>(image.size());
    const std::uint32_t firstSector = start / SpiFlash::kSectorSize;
    const std::uint32_t lastSector = (start + size - 1) / SpiFlash::kSectorSize;
    const std::uint32_t sectors = lastSector - firstSector + 1;

    SpiFlash flash(board.file("flash.bin"));
    Pacer pacer = session.pacer();
    Writer writer(flash, pacer, session.speedKhz());

    // Erasing works on whole sectors; the bytes before and after the file in
    // its first and last sector go back afterwards so nothing else changes.
    const std::uint32_t headStart = firstSector * SpiFlash::kSectorSize;
    const std::uint32_t tailStart = start + size;
    const std::uint32_t tailEnd = (lastSector + 1) * SpiFlash::kSectorSize;
    const std::vector<std::uint8_t> head = flash.read(headStart, start - headStart);
    const std::vector<std::uint8_t> tail = flash.read(tailStart, tailEnd - tailStart);

    console.info("erasing " + std::to_string(sectors) + (sectors == 1 ? " sector" : " sectors") + " of 64 KiB, " +
                 hexAddress(headStart) + " to " + hexAddress(tailEnd - 1) + ", for " + path);
    const bool fastErase = board.takeFastErase();
    for (std::uint32_t sector = firstSector; sector <= lastSector; ++sector) {
        writer.erase(sector);
        if (sector == firstSector && fastErase) {
            // A faulty or unprotected flash finishing an erase far too soon;
            // kept under 28 bytes, the length the window treats as that report.
            console.isolatedChunk("Warn: sector " + std::to_string(sector) + " took 3ms\r\n");
        }
    }

    writer.program(headStart, head.data(), static_cast<std::uint32_t>(head.size()), true, [](std::uint32_t) {});
    const std::uint32_t step = progressStep(size);
    std::uint32_t reported = 0;
    writer.program(start, image.data(), size, false, [&](std::uint32_t done) {
        if (done == size || done - reported >= step) {
            console.isolatedChunk(hexAddress(done) + "\r\n");
            reported = done;
        }
    });
    writer.program(tailStart, tail.data(), static_cast<std::uint32_t>(tail.size()), true, [](std::uint32_t) {});

    pacer.spend(adapter_timing::shiftSeconds(size, session.speedKhz()));
    const std::vector<std::uint8_t> readBack = flash.read(start, size);
    const auto mismatch = std::mismatch(readBack.begin(), readBack.end(), image.begin());
    if (mismatch.first != readBack.end())
        throw SimError("jtagspi_program: verify failed at " +
                       hexAddress(start + static_cast<std::uint32_t>(mismatch.first - readBack.begin())));

    char rate[96];
    std::snprintf(rate, sizeof rate, "%.2f s simulated, %.1f KiB/s", pacer.modelledSeconds(),
                  size / 1024.0 / std::max(pacer.modelledSeconds(), 1e-9));
    console.info("wrote and verified " + std::to_string(size) + " bytes from " + path + " at " + hexAddress(start) +
                 " (" + rate + ")");
}

void verifyBank(Session &session, long bank, const std::string &path, long long offset)
{
    if (bank != 0)
        throw SimError("flash bank '" + std::to_string(bank) + "' not found: the simulated chain has one flash, bank 0");
    Board &board = session.board();
    if (!session.proxyActive())
        throw SimError("flash verify_bank: the FPGA does not run the JTAG-to-SPI proxy, so the flash can't be "
                       "reached; run jtagspi_init first");
    const std::vector<std::uint8_t> image = readWholeFile(path);
    if (offset < 0 || static_cast<unsigned long long>(offset) + image.size() > SpiFlash::kSize)
        throw SimError("flash verify_bank: offset and length exceed the bank");
    const auto start = static_cast<std::uint32_t>(offset);
    const auto size = static_cast<std::uint32_t>(image.size());
    Pacer pacer = session.pacer();
    pacer.spend(adapter_timing::shiftSeconds(size, session.speedKhz()));
    const std::vector<std::uint8_t> flash = SpiFlash::readImage(board.file("flash.bin"));

    // OpenOCD's wording, line for line.
    Console &console = session.console();
    const double seconds = pacer.modelledSeconds();
    char text[512];
    std::snprintf(text, sizeof text, "read %u bytes from file %s and flash bank 0 at offset 0x%08x in %fs (%.3f KiB/s)",
                  size, path.c_str(), start, seconds, size / 1024.0 / std::max(seconds, 1e-6));
    console.line(text);
    constexpr unsigned kShownDiffs = 128;
    unsigned differences = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (flash[start + i] == image[i])
            continue;
        if (differences == 0)
            console.line("contents differ");
        if (differences < kShownDiffs) {
            std::snprintf(text, sizeof text, "diff %u address 0x%08x. Was 0x%02x instead of 0x%02x", differences,
                          start + i, flash[start + i], image[i]);
            console.line(text);
        } else {
            console.line("More than 128 errors, the rest are not printed.");
            break;
        }
        ++differences;
    }
    if (differences == 0) {
        console.line("contents match");
        return;
    }
    throw SimError("flash verify_bank: the flash differs from " + path);
}
