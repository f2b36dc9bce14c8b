#include "fpga_programming.h"

#include "adapter_timing.h"
#include "bit_file.h"
#include "file_io.h"
#include "flash_boot.h"
#include "native_file.h"
#include "part_match.h"
#include "session.h"
#include "sim_error.h"
#include "spi_flash.h"

#include "download/familytable.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
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

void requireDeviceZero(long device)
{
    if (device != 0)
        throw SimError("pld device " + std::to_string(device) +
                       " does not exist: the simulated scan chain holds one FPGA, device 0");
}

BitFile readBit(const std::string &path, const std::string &what)
{
    try {
        return parseBitFile(readWholeFile(path));
    } catch (const SimError &e) {
        throw SimError(what + " " + path + " refused: " + e.what());
    }
}

BitFile readBitFor(Session &session, const std::string &path, const std::string &what)
{
    BitFile bit = readBit(path, what);
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

// Whether the FPGA finds the sync word: without it every word it is given
// is noise, and the stream never comes to a START.
bool hasSyncWord(const std::vector<std::uint8_t> &data)
{
    static const std::uint8_t kSync[] = {0xaa, 0x99, 0x55, 0x66};
    return std::search(data.begin(), data.end(), std::begin(kSync), std::end(kSync)) != data.end();
}

// Shifts the configuration data in. JPROGRAM comes first, so an interrupted
// load leaves the FPGA empty rather than with its previous design. Returns
// the modelled time the load took.
double shiftConfiguration(Session &session, const BitFile &bit)
{
    session.setProxyActive(false);
    session.recordFpgaState({{"source", "none"}, {"part", session.board().part()}});
    Pacer pacer = session.pacer();
    const std::uint64_t total = bit.data.size();
    for (std::uint64_t done = 0; done < total;) {
        const std::uint64_t step = std::min<std::uint64_t>(adapter_timing::kTransferPayloadBytes, total - done);
        pacer.spend(adapter_timing::shiftSeconds(step, session.speedKhz()));
        done += step;
    }
    pacer.spend(adapter_timing::kStartupSeconds);
    return pacer.modelledSeconds();
}

void recordJtagConfiguration(Session &session, const BitFile &bit, const std::string &path)
{
    session.recordFpgaState({{"source", "jtag"},
                             {"part", session.board().part()},
                             {"design", bit.designName()},
                             {"file", path},
                             {"bytes", std::to_string(bit.data.size())},
                             {"crc32", crc32Hex(bit.data.data(), bit.data.size())},
                             {"clock_khz", std::to_string(session.speedKhz())}});
}

// An FPGA left unconfigured: `why` for people and tests, `error` the status
// register's error bit that the silicon sets (empty for none).
void recordRejection(Session &session, const std::string &why, const std::string &error)
{
    FpgaState state{{"source", "none"}, {"part", session.board().part()}, {"rejected", why}};
    if (!error.empty())
        state.emplace_back("error", error);
    session.recordFpgaState(state);
}

}  // namespace

void pldLoad(Session &session, long device, const std::string &path)
{
    requireDeviceZero(device);
    Console &console = session.console();
    BitFile bit;
    try {
        bit = readBit(path, "bitstream");
    } catch (const SimError &e) {
        // OpenOCD reads the whole file before it touches the chain, so the
        // FPGA keeps what it had; its own line follows the reason.
        console.error(e.what());
        console.line("failed loading file " + path + " to pld device 0");
        throw SimError("");
    }
    // OpenOCD checks nothing but the container: the FPGA alone judges the
    // stream, and nothing it decides reaches the tool's output or exit code.
    const std::string part = session.board().part();
    std::string error;
    if (takeSilentReject(session) || !bitPartMatches(part, bit.part) ||
        !idcodeAccepted(part, imageIdcode(bit.data, 64 * 1024)))
        error = "ID_ERROR";
    else if (!hasSyncWord(bit.data))
        error = "CRC_ERROR";
    // On an empty chain the stream goes nowhere and nothing is recorded.
    const bool emptyChain = part == Session::kEmptyChainPart;
    const double took = emptyChain ? 0.0 : shiftConfiguration(session, bit);
    if (!emptyChain && error.empty())
        recordJtagConfiguration(session, bit, path);
    else if (!emptyChain)
        recordRejection(session, path, error);
    const long micros = static_cast<long>(took * 1e6);
    console.line("loaded file " + path + " to pld device 0 in " + std::to_string(micros / 1000000) + "s " +
                 std::to_string(micros % 1000000) + "us");
}

void jtagspiInit(Session &session, long device, const std::string &proxyPath)
{
    requireDeviceZero(device);
    const BitFile bit = readBitFor(session, proxyPath, "proxy bitstream");
    if (bit.designName().find("bscan_spi") == std::string::npos)
        throw SimError("proxy bitstream " + proxyPath + " refused: its design '" + bit.designName() +
                       "' is not a JTAG-to-SPI bridge (bscan_spi_<part>)");
    shiftConfiguration(session, bit);
    recordJtagConfiguration(session, bit, proxyPath);
    session.setProxyActive(true);
    // Inside the proc OpenOCD prints nothing of pld load's; its `reset halt`
    // examines the chain again, then `flash probe` names the chip by RDID.
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
    if (blank) {
        // Nothing reports back through the proc's irscans: OpenOCD goes on.
        recordRejection(session, "blank", "");
        session.console().info(tap.dottedName() + ": JPROGRAM sent, the " + part + " found nothing to boot from: the "
                               "SPI flash is erased at address 0");
        return;
    }
    std::size_t end = flash.size();
    while (end > 0 && flash[end - 1] == 0xff)
        --end;
    pacer.spend(static_cast<double>(end) * 8.0 / adapter_timing::kFlashConfigBitsPerSecond +
                adapter_timing::kStartupSeconds);
    // Without a configuration the part takes, it stays empty: the sync word
    // in the first bytes, and its own IDCODE where the image names one.
    const FlashBoot boot = examineFlashBoot(flash, Session::simulatedIdcode(part));
    if (boot.verdict == FlashBoot::Verdict::NoSync) {
        recordRejection(session, "nosync", "");
        session.console().info(tap.dottedName() + ": JPROGRAM sent, the " + part + " found no sync word in the first " +
                               std::to_string(kSyncSearchBytes) + " bytes of its SPI flash and stays unconfigured, "
                               "DONE low");
        return;
    }
    const bool silentReject = takeSilentReject(session);
    if (silentReject || boot.verdict == FlashBoot::Verdict::OtherPart) {
        // Real silicon: the JPROGRAM is sent, nothing reports back, DONE stays low.
        recordRejection(session, silentReject ? "silent-reject" : "idcode", "ID_ERROR");
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

void flashProbe(Session &session, long bank)
{
    if (bank != 0)
        throw SimError("flash bank '" + std::to_string(bank) + "' not found: the simulated chain has one flash, bank 0");
    Board &board = session.board();
    std::string text;
    const FpgaState state = readTextFile(board.file("fpga"), text) ? parseFpgaState(text) : FpgaState{};
    // A proxy that an earlier run loaded is still there: exiting OpenOCD
    // leaves the FPGA as it is.
    const bool proxy = session.proxyActive() ||
                       (fpgaStateValue(state, "source") == "jtag" && fpgaStateValue(state, "part") == board.part() &&
                        fpgaStateValue(state, "design").find("bscan_spi") != std::string::npos);
    Pacer pacer = session.pacer();
    pacer.spend(adapter_timing::shiftSeconds(4, session.speedKhz()));
    if (!proxy) {
        // Logged, as OpenOCD logs it, so a list that catches the failure
        // still shows it.
        session.console().error("Unknown flash device (ID 0xffffff)");
        throw SimError("");
    }
    session.setProxyActive(true);
    char id[96];
    std::snprintf(id, sizeof id, "Found flash device '%s' (ID 0x%06x)", SpiFlash::kChipName,
                  static_cast<unsigned>(SpiFlash::kDeviceId));
    session.console().info(id);
    session.console().line("flash 'jtagspi' found at 0x00000000");
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
    // Nothing drives TDO on an empty chain: OpenOCD reads it pulled high.
    if (board.part() == Session::kEmptyChainPart)
        return 0xffffffffu;
    const feldmoor::FamilyFacts *family = feldmoor::findFamily(board.part().c_str());
    if (!family || family->doneCheck != feldmoor::DoneCheck::StatusRegister)
        return 0;
    // Unconfigured: INIT_B and INIT_COMPLETE high, with the error bit the
    // stream left behind (ID_ERROR bit 15, CRC_ERROR bit 0).
    if (configured)
        return 0x401079fcu;
    const std::string error = fpgaStateValue(state, "error");
    if (error == "ID_ERROR")
        return 0x00009800u;
    if (error == "CRC_ERROR")
        return 0x00001801u;
    return 0x00001800u;
}
