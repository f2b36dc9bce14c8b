#include "flash_programming.h"

#include "adapter_timing.h"
#include "bit_file.h"
#include "file_io.h"
#include "flash_bank.h"
#include "session.h"
#include "sim_error.h"
#include "spi_flash.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using flash_bank::hex;

constexpr std::uint32_t kCommandBytes = 4;  // opcode and 24-bit address
constexpr std::uint32_t kSectors = SpiFlash::kSize / SpiFlash::kSectorSize;

std::string milliseconds(double seconds)
{
    return std::to_string(std::lround(seconds * 1000.0));
}

// The flash work of one command: erasing, programming and the reports they
// make, paced and aborted once the adapter is unplugged.
class Writer {
public:
    explicit Writer(Session &session)
        : board_(session.board()),
          console_(session.console()),
          flash_(board_.file("flash.bin")),
          pacer_(session.pacer()),
          khz_(session.speedKhz())
    {
    }

    Pacer &pacer() { return pacer_; }

    // The window's erase: sector by sector, without a line per sector. With
    // `fastErase` the first one is reported as a short chunk.
    void eraseQuietly(std::uint32_t first, std::uint32_t last, bool fastErase)
    {
        for (std::uint32_t sector = first; sector <= last; ++sector) {
            eraseSector(sector);
            if (sector == first && fastErase)
                reportFastErase(sector);
        }
    }

    // OpenOCD's jtagspi erase of sectors `first` to `last`: the whole bank in
    // one chip erase ("took M ms"), anything less sector by sector, one line
    // each. Takes the board's fast-erase fault, which turns the first report
    // into the short chunk.
    void erase(std::uint32_t first, std::uint32_t last)
    {
        const bool fastErase = board_.takeFastErase();
        if (first == 0 && last == kSectors - 1) {
            pacer_.spend(adapter_timing::shiftSeconds(1, khz_) + kSectors * adapter_timing::kChipEraseSecondsPerSector);
            for (std::uint32_t sector = first; sector <= last; ++sector)
                flash_.eraseSector(sector);
            if (fastErase)
                reportFastErase(0);
            else
                console_.info("took " + milliseconds(kSectors * adapter_timing::kChipEraseSecondsPerSector) + " ms");
            return;
        }
        for (std::uint32_t sector = first; sector <= last; ++sector) {
            eraseSector(sector);
            if (sector == first && fastErase)
                reportFastErase(sector);
            else
                console_.info("sector " + std::to_string(sector) + " took " +
                              milliseconds(adapter_timing::kSectorEraseSeconds) + " ms");
        }
    }

    // Programs `length` bytes at `address` page by page; `afterPage` gets the
    // number of bytes done so far.
    template <typename AfterPage>
    void program(std::uint32_t address, const std::uint8_t *data, std::uint32_t length, AfterPage afterPage)
    {
        std::uint32_t done = 0;
        while (done < length) {
            const std::uint32_t here = address + done;
            const std::uint32_t room = SpiFlash::kPageSize - here % SpiFlash::kPageSize;
            const std::uint32_t step = std::min(room, length - done);
            pacer_.spend(adapter_timing::shiftSeconds(kCommandBytes + step, khz_) + adapter_timing::kPageProgramSeconds);
            flash_.programPage(here, data + done, step);
            done += step;
            afterPage(done);
        }
    }

    // Programs with the progress chunks a reader follows: "0x%08x\r\n" of the
    // bytes done, progressStep() apart, the last one at `length`.
    void programWithProgress(std::uint32_t address, const std::uint8_t *data, std::uint32_t length)
    {
        const std::uint32_t step = progressStep(length);
        std::uint32_t reported = 0;
        program(address, data, length, [&](std::uint32_t done) {
            if (done == length || done - reported >= step) {
                console_.isolatedChunk(hex(done) + "\r\n");
                reported = done;
            }
        });
    }

private:
    void eraseSector(std::uint32_t sector)
    {
        pacer_.spend(adapter_timing::shiftSeconds(kCommandBytes, khz_) + adapter_timing::kSectorEraseSeconds);
        flash_.eraseSector(sector);
    }

    void reportFastErase(std::uint32_t sector)
    {
        // A faulty or unprotected flash finishing an erase far too soon; kept
        // under 28 bytes, the length the window treats as that report.
        console_.isolatedChunk("Warn: sector " + std::to_string(sector) + " took 3ms\r\n");
    }

    Board &board_;
    Console &console_;
    SpiFlash flash_;
    Pacer pacer_;
    long khz_;
};

std::uint32_t sectorStart(std::uint32_t address)
{
    return address / SpiFlash::kSectorSize * SpiFlash::kSectorSize;
}

// Rounded up to the next sector boundary; `address` is at most kSize.
std::uint32_t sectorEnd(std::uint32_t address)
{
    return (address + SpiFlash::kSectorSize - 1) / SpiFlash::kSectorSize * SpiFlash::kSectorSize;
}

// What `flash write_image erase` does with an image at `offset`: whatever
// the image touches is erased in whole sectors (the bytes before an
// unaligned offset are lost, with a warning; those after its end are written
// as 0xff), then the image goes in with progress chunks. What lies beyond the
// bank is left out with a warning. Returns the bytes written, padding
// included, as OpenOCD counts them.
std::uint32_t writeErased(Session &session, Writer &writer, const std::vector<std::uint8_t> &image,
                          std::uint64_t offset)
{
    Console &console = session.console();
    const std::uint64_t end = offset + image.size();
    std::uint32_t written = 0;
    if (offset < SpiFlash::kSize && !image.empty()) {
        const auto start = static_cast<std::uint32_t>(offset);
        const auto fitEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, SpiFlash::kSize));
        const std::uint32_t eraseStart = sectorStart(start);
        const std::uint32_t eraseEnd = sectorEnd(fitEnd);
        if (eraseStart < start)
            console.warn("Adding extra erase range, " + hex(eraseStart) + " .. " + hex(start - 1));
        writer.erase(eraseStart / SpiFlash::kSectorSize, eraseEnd / SpiFlash::kSectorSize - 1);
        writer.programWithProgress(start, image.data(), fitEnd - start);
        const std::vector<std::uint8_t> padding(eraseEnd - fitEnd, 0xff);
        writer.program(fitEnd, padding.data(), static_cast<std::uint32_t>(padding.size()), [](std::uint32_t) {});
        written = eraseEnd - start;
    }
    if (end > SpiFlash::kSize)
        console.warn("no flash bank found for address " +
                     hex(static_cast<std::uint32_t>(std::max<std::uint64_t>(offset, SpiFlash::kSize))));
    return written;
}

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
    flash_bank::requireReachable(session, "jtagspi_program");
    const std::vector<std::uint8_t> image = readWholeFile(path);
    if (image.empty())
        throw SimError("jtagspi_program: " + path + " is empty; there is nothing to write");
    if (offset < 0 || static_cast<unsigned long long>(offset) >= SpiFlash::kSize)
        throw SimError("jtagspi_program: " + path + " (" + std::to_string(image.size()) + " bytes) at offset " +
                       std::to_string(offset) + " does not fit the 16 MiB (" + std::to_string(SpiFlash::kSize) +
                       " bytes) flash");
    if (image.size() >= BitFile::kMagic.size() && std::equal(BitFile::kMagic.begin(), BitFile::kMagic.end(), image.begin()))
        session.console().warn(path + " is a .bit container; the FPGA boots from a raw .bin image, written as is");

    // The proc of OpenOCD's jtagspi.cfg, at offset 0 as anywhere: write_image
    // erase, then verify_bank; only the erase reports and the verify's lines
    // are printed. An image that runs past the end is cut short with a
    // warning, the verify compares only what fits, and the run succeeds:
    // OpenOCD 0.12 as measured.
    {
        Writer writer(session);
        writeErased(session, writer, image, static_cast<std::uint64_t>(offset));
    }
    verifyBank(session, 0, path, offset);
}

void writeImage(Session &session, const std::string &path, long long offset)
{
    flash_bank::requireReachable(session, "flash write_image");
    if (offset < 0)
        throw SimError("flash write_image: offset " + std::to_string(offset) + " is below the flash bank's start");
    const std::vector<std::uint8_t> image = readWholeFile(path);
    Writer writer(session);
    const std::uint32_t written = writeErased(session, writer, image, static_cast<std::uint64_t>(offset));
    Console &console = session.console();
    const double took = writer.pacer().modelledSeconds();
    console.line("auto erase enabled");
    console.line("wrote " + std::to_string(written) + " bytes from file " + path + " in " + flash_bank::seconds(took) +
                 "s (" + flash_bank::kibPerSecond(written, took) + " KiB/s)");
}

void eraseAddress(Session &session, bool pad, long long address, long long length)
{
    flash_bank::requireReachable(session, "flash erase_address");
    if (length <= 0)
        throw SimError("flash erase_address: length " + std::to_string(length) + " erases nothing");
    if (address < 0 || address + length > static_cast<long long>(SpiFlash::kSize))
        throw SimError("flash erase_address: " + std::to_string(length) + " bytes at " + std::to_string(address) +
                       " are not all inside flash bank 0 (" + hex(0) + " .. " + hex(SpiFlash::kSize - 1) + ")");
    const auto start = static_cast<std::uint32_t>(address);
    const auto end = static_cast<std::uint32_t>(address + length);
    const std::uint32_t eraseStart = sectorStart(start);
    const std::uint32_t eraseEnd = sectorEnd(end);
    Console &console = session.console();
    if (!pad && (eraseStart != start || eraseEnd != end))
        throw SimError("address range " + hex(start) + " .. " + hex(end - 1) + " is not sector-aligned");
    Writer writer(session);
    if (eraseStart < start)
        console.warn("Adding extra erase range, " + hex(eraseStart) + " .. " + hex(start - 1));
    if (end < eraseEnd)
        console.warn("Adding extra erase range, " + hex(end) + " .. " + hex(eraseEnd - 1));
    writer.erase(eraseStart / SpiFlash::kSectorSize, eraseEnd / SpiFlash::kSectorSize - 1);
    const double took = writer.pacer().modelledSeconds();
    console.line("erased address " + hex(start) + " (length " + std::to_string(length) + ") in " +
                 flash_bank::seconds(took) + "s (" + flash_bank::kibPerSecond(static_cast<std::uint64_t>(length), took) +
                 " KiB/s)");
}

void eraseSectors(Session &session, long bank, long long first, std::optional<long long> last)
{
    flash_bank::requireBank(bank);
    flash_bank::requireReachable(session, "flash erase_sector");
    const long long lastSector = last.value_or(kSectors - 1);
    if (first < 0 || lastSector < first || lastSector >= kSectors)
        throw SimError("flash erase_sector: sectors " + std::to_string(first) + " through " + std::to_string(lastSector) +
                       " are not on flash bank 0, whose sectors are 0 through " + std::to_string(kSectors - 1));
    Writer writer(session);
    writer.erase(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(lastSector));
    session.console().line("erased sectors " + std::to_string(first) + " through " + std::to_string(lastSector) +
                           " on flash bank 0 in " + flash_bank::seconds(writer.pacer().modelledSeconds()) + "s");
}

void writeBank(Session &session, long bank, const std::string &path, long long offset)
{
    flash_bank::requireBank(bank);
    flash_bank::requireReachable(session, "flash write_bank");
    if (offset < 0 || static_cast<unsigned long long>(offset) > SpiFlash::kSize)
        throw SimError("Offset " + hex(static_cast<std::uint32_t>(offset)) + " is out of range of the flash bank");
    const std::vector<std::uint8_t> image = readWholeFile(path);
    const auto start = static_cast<std::uint32_t>(offset);
    const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(image.size(), SpiFlash::kSize - start));
    Console &console = session.console();
    if (length == 0) {
        console.info("Nothing to write to flash bank");
        return;
    }
    if (length < image.size())
        console.info("File content exceeds flash bank size. Only writing the first " + std::to_string(length) +
                     " bytes of the file");
    Writer writer(session);
    writer.program(start, image.data(), length, [](std::uint32_t) {});
    const double took = writer.pacer().modelledSeconds();
    console.line("wrote " + std::to_string(length) + " bytes from file " + path + " to flash bank 0 at offset " +
                 hex(start) + " in " + flash_bank::seconds(took) + "s (" + flash_bank::kibPerSecond(length, took) +
                 " KiB/s)");
}

void verifyBank(Session &session, long bank, const std::string &path, long long offset)
{
    flash_bank::requireBank(bank);
    flash_bank::requireReachable(session, "flash verify_bank");
    Board &board = session.board();
    const std::vector<std::uint8_t> image = readWholeFile(path);
    if (offset < 0 || static_cast<unsigned long long>(offset) >= SpiFlash::kSize)
        throw SimError("flash verify_bank: offset and length exceed the bank");
    const auto start = static_cast<std::uint32_t>(offset);
    // A file longer than the rest of the bank is compared as far as it fits.
    const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(image.size(), SpiFlash::kSize - start));
    Console &console = session.console();
    if (size < image.size())
        console.info("File content exceeds flash bank size. Only comparing the first " + std::to_string(size) +
                     " bytes of the file");
    Pacer pacer = session.pacer();
    pacer.spend(adapter_timing::shiftSeconds(size, session.speedKhz()));
    const std::vector<std::uint8_t> flash = SpiFlash::readImage(board.file("flash.bin"));

    // OpenOCD's wording, line for line.
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
