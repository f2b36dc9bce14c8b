#include "fpga_programming.h"

#include "adapter_timing.h"
#include "bit_file.h"
#include "file_io.h"
#include "native_file.h"
#include "part_match.h"
#include "session.h"
#include "sim_error.h"
#include "spi_flash.h"

#include "download/familytable.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include <zlib.h>

namespace {

std::string hex32(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", value & 0xffffffffUL);
    return text;
}

std::string crc32Hex(const std::uint8_t *data, std::size_t length)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    while (length > 0) {
        const uInt step = length > 0x40000000u ? 0x40000000u : static_cast<uInt>(length);
        crc = crc32(crc, data, step);
        data += step;
        length -= step;
    }
    return hex32(crc);
}

std::string loadedLine(const std::string &path, double seconds)
{
    const long micros = static_cast<long>(seconds * 1e6);
    return "loaded file " + path + " to pld device 0 in " + std::to_string(micros / 1000000) + "s " +
           std::to_string(micros % 1000000) + "us";
}

void requireDeviceZero(long device)
{
    if (device != 0)
        throw SimError("pld device " + std::to_string(device) +
                       " does not exist: the simulated scan chain holds one FPGA, device 0");
}

BitFile readBitFor(Session &session, const std::string &path, const std::string &what)
{
    BitFile bit;
    try {
        bit = parseBitFile(readWholeFile(path));
    } catch (const SimError &e) {
        throw SimError(what + " " + path + " refused: " + e.what());
    }
    const std::string part = session.board().part();
    if (!bitPartMatches(part, bit.part))
        throw SimError(what + " " + path + " refused: it was made for " + bit.part + ", but the board's FPGA is an " +
                       part);
    return bit;
}

// The `silent-reject` fault: taken (and removed) by the next configuration
// that a user's image drives, so it hits one pld load or one reload.
bool takeSilentReject(Session &session)
{
    const std::string fault = session.board().file("silent-reject");
    if (pathKind(fault) == PathKind::Missing)
        return false;
    removeFile(fault);
    return true;
}

// The IDCODE a 7-series image carries: the word after the first type-1 write
// to the IDCODE register (0x30018001) that follows the sync word.
std::optional<std::uint32_t> imageIdcode(const std::vector<std::uint8_t> &image, std::size_t searchBytes)
{
    const auto word = [&image](std::size_t at) {
        return std::uint32_t(image[at]) << 24 | std::uint32_t(image[at + 1]) << 16 | std::uint32_t(image[at + 2]) << 8 |
               std::uint32_t(image[at + 3]);
    };
    const std::size_t end = std::min(image.size(), searchBytes);
    bool synced = false;
    for (std::size_t at = 0; at + 8 <= end; ++at) {
        const std::uint32_t value = word(at);
        if (!synced) {
            synced = value == 0xaa995566u;
            if (synced)
                at += 3;
            continue;
        }
        if (value == 0x30018001u)
            return word(at + 4);
        at += 3;  // packets are whole words from the sync word on
    }
    return std::nullopt;
}

// Whether the FPGA accepts an image: one carrying an IDCODE packet configures
// only the part it names, as the silicon's ID check does.
bool idcodeAccepted(const std::string &part, const std::optional<std::uint32_t> &idcode)
{
    if (!idcode)
        return true;
    const feldmoor::PartFacts *facts = feldmoor::findPart(part.c_str());
    const std::uint32_t mask = facts ? facts->idcodeMask : 0x0fffffffu;
    return (*idcode & mask) == (Session::simulatedIdcode(part) & mask);
}

// Shifts the configuration data in. JPROGRAM comes first, so an interrupted
// load leaves the FPGA empty rather than with its previous design.
// `quiet`: inside a proc (jtagspi_init) OpenOCD prints nothing of pld load's.
void configureOverJtag(Session &session, const BitFile &bit, const std::string &path, bool rejected = false,
                       bool quiet = false)
{
    const std::string part = session.board().part();
    session.setProxyActive(false);
    session.recordFpgaState({{"source", "none"}, {"part", part}});
    Pacer pacer = session.pacer();
    const std::uint64_t total = bit.data.size();
    for (std::uint64_t done = 0; done < total;) {
        const std::uint64_t step = std::min<std::uint64_t>(adapter_timing::kTransferPayloadBytes, total - done);
        pacer.spend(adapter_timing::shiftSeconds(step, session.speedKhz()));
        done += step;
    }
    pacer.spend(adapter_timing::kStartupSeconds);
    if (rejected) {
        // OpenOCD's own words: it never reads the status register, so it
        // cannot tell that DONE stayed low.
        session.recordFpgaState({{"source", "none"}, {"part", part}, {"rejected", path}});
        if (!quiet)
            session.console().line(loadedLine(path, pacer.modelledSeconds()));
        return;
    }
    session.recordFpgaState({{"source", "jtag"},
                             {"part", part},
                             {"design", bit.designName()},
                             {"file", path},
                             {"bytes", std::to_string(bit.data.size())},
                             {"crc32", crc32Hex(bit.data.data(), bit.data.size())},
                             {"clock_khz", std::to_string(session.speedKhz())}});
    // OpenOCD's words whatever the FPGA did: it never reads the status register.
    if (!quiet)
        session.console().line(loadedLine(path, pacer.modelledSeconds()));
}

}  // namespace

void pldLoad(Session &session, long device, const std::string &path)
{
    requireDeviceZero(device);
    const BitFile bit = readBitFor(session, path, "bitstream");
    configureOverJtag(session, bit, path, takeSilentReject(session));
}

void jtagspiInit(Session &session, long device, const std::string &proxyPath)
{
    requireDeviceZero(device);
    const BitFile bit = readBitFor(session, proxyPath, "proxy bitstream");
    if (bit.designName().find("bscan_spi") == std::string::npos)
        throw SimError("proxy bitstream " + proxyPath + " refused: its design '" + bit.designName() +
                       "' is not a JTAG-to-SPI bridge (bscan_spi_<part>)");
    configureOverJtag(session, bit, proxyPath, false, true);
    session.setProxyActive(true);
    // The proc's `reset halt` examines the chain again, then `flash probe`
    // names the chip by its RDID.
    for (const Tap &tap : session.taps()) {
        if (tap.present)
            session.console().info(Session::tapFoundLine(tap.dottedName(), Session::simulatedIdcode(session.board().part())));
    }
    session.console().info("Found flash device 'micron n25q128' (ID 0x18ba20)");
    session.console().line("flash 'jtagspi' found at 0x00000000");
}

void reloadFromFlash(Session &session, const std::string &tapName)
{
    const Tap &tap = session.presentTap(tapName);
    Board &board = session.board();
    const std::string part = board.part();
    session.setProxyActive(false);
    session.recordFpgaState({{"source", "none"}, {"part", part}});
    Pacer pacer = session.pacer();
    pacer.spend(adapter_timing::shiftSeconds(4, session.speedKhz()));

    const std::vector<std::uint8_t> flash = SpiFlash::readImage(board.file("flash.bin"));
    // The FPGA starts reading at address 0; an erased start means there is
    // nothing to boot from and DONE stays low.
    const std::size_t probe = 4096;
    bool blank = true;
    for (std::size_t i = 0; i < probe && blank; ++i)
        blank = flash[i] == 0xff;
    if (blank)
        throw SimError(tap.dottedName() + ": the " + part + " did not configure from flash: the SPI flash is "
                       "erased at address 0 (DONE stays low)");
    std::size_t end = flash.size();
    while (end > 0 && flash[end - 1] == 0xff)
        --end;
    pacer.spend(static_cast<double>(end) * 8.0 / adapter_timing::kFlashConfigBitsPerSecond +
                adapter_timing::kStartupSeconds);
    const bool silentReject = takeSilentReject(session);
    if (silentReject || !idcodeAccepted(part, imageIdcode(flash, 64 * 1024))) {
        // Real silicon: the JPROGRAM is sent, nothing reports back, DONE stays low.
        session.recordFpgaState({{"source", "none"},
                                 {"part", part},
                                 {"rejected", silentReject ? "silent-reject" : "idcode"}});
        session.console().info(tap.dottedName() + ": JPROGRAM sent, the " + part + " read its configuration from SPI "
                               "flash (" + std::to_string(end) + " bytes)");
        return;
    }
    session.recordFpgaState({{"source", "flash"},
                             {"part", part},
                             {"offset", "0x00000000"},
                             {"bytes", std::to_string(end)},
                             {"crc32", crc32Hex(flash.data(), end)},
                             {"clock_khz", std::to_string(session.speedKhz())}});
    session.console().info(tap.dottedName() + ": JPROGRAM sent, the " + part + " configured itself from SPI flash (" +
                           std::to_string(end) + " bytes), DONE high");
}

std::uint32_t statusRegister(Session &session, long device)
{
    requireDeviceZero(device);
    Board &board = session.board();
    std::string text;
    const FpgaState state = readTextFile(board.file("fpga"), text) ? parseFpgaState(text) : FpgaState{};
    const std::string source = fpgaStateValue(state, "source");
    const bool configured = (source == "jtag" || source == "flash") && fpgaStateValue(state, "part") == board.part();
    // Only the layout of families whose DONE the tools read is modelled: the
    // 7-series one (DONE bit 14, RELEASE_DONE 13, INIT_B 12, INIT_COMPLETE
    // 11, master SPI mode, start-up state 4 when done).
    const feldmoor::FamilyFacts *family = feldmoor::findFamily(board.part().c_str());
    if (!family || family->doneCheck != feldmoor::DoneCheck::StatusRegister)
        return 0;
    if (configured)
        return 0x401079fcu;
    // Cleared: INIT_B and INIT_COMPLETE only, ID_ERROR (bit 15) after a rejection.
    return fpgaStateValue(state, "rejected").empty() ? 0x00001800u : 0x00009800u;
}
