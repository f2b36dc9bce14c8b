#include "session.h"

#include "adapter_bus.h"
#include "file_io.h"
#include "native_file.h"
#include "native_process.h"
#include "sim_error.h"

#include "adapter/qb562.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

Session::Session(Console &console, std::string exeDir, double timeScale)
    : console_(console), exeDir_(std::move(exeDir)), scripts_(exeDir_), timeScale_(timeScale)
{
}

void Session::selectDriver(const std::string &name)
{
    if (board_)
        throw SimError("adapter driver can only be chosen before init");
    if (name != "qb562")
        throw SimError("adapter driver '" + name + "' is not available: the Feldmoor OpenOCD simulator only has "
                       "the qb562 driver");
    driver_ = name;
}

void Session::setVidPid(long vid, long pid)
{
    if (vid < 0 || vid > 0xffff || pid < 0 || pid > 0xffff)
        throw SimError("qb562 vid_pid: USB ids are 16-bit numbers");
    vid_ = vid;
    pid_ = pid;
}

void Session::setSpeed(long khz)
{
    if (khz <= 0)
        throw SimError("adapter speed " + std::to_string(khz) +
                       " kHz refused: the JTAG clock must be a positive number of kHz");
    speedKhz_ = khz;
    console_.info("clock speed " + std::to_string(khz) + " kHz");
}

namespace {

void requireBeforeInit(bool initialised, const std::string &command)
{
    // OpenOCD's words for any configuration command used too late.
    if (initialised)
        throw SimError("The '" + command + "' command must be used before 'init'.");
}

}  // namespace

void Session::setUsbLocation(const std::string &location)
{
    requireBeforeInit(board_.has_value(), "adapter usb location");
    selector_.location = location;
    console_.line("adapter usb location: " + location);
}

void Session::setSerial(const std::string &serial)
{
    requireBeforeInit(board_.has_value(), "adapter serial");
    selector_.serial = serial;
}

void Session::declareTap(const Tap &tap)
{
    if (board_)
        throw SimError("jtag newtap: TAPs must be declared before init");
    for (const Tap &known : taps_) {
        if (known.dottedName() == tap.dottedName())
            throw SimError("jtag newtap: TAP " + tap.dottedName() + " is already declared");
    }
    taps_.push_back(tap);
}

const Tap &Session::presentTap(const std::string &dottedName) const
{
    if (!board_)
        throw SimError("TAP " + dottedName + " can't be used before init");
    for (const Tap &tap : taps_) {
        if (tap.dottedName() != dottedName)
            continue;
        if (!tap.present)
            throw SimError("TAP " + dottedName + " is not on the scan chain: the board holds an " + board_->part());
        return tap;
    }
    throw SimError("unknown TAP " + dottedName + " (no script declared it)");
}

void Session::init()
{
    if (board_)
        return;  // a second init changes nothing, as in OpenOCD
    if (driver_.empty())
        throw SimError("no adapter driver was chosen before init; use 'adapter driver qb562'");
    const std::string elsewhere = " On a machine with the QB562 hardware, the real programming tool (the vendor's "
                                  "OpenOCD build with the QB562 driver) belongs in " + exeDir_ + ".";
    if (vid_ != kVid || pid_ != kPid) {
        char ids[64];
        std::snprintf(ids, sizeof ids, "0x%04lx:0x%04lx", vid_, pid_);
        char ours[32];
        std::snprintf(ours, sizeof ours, "0x%04x:0x%04x", kVid, kPid);
        throw SimError(std::string("no QB562 adapter with USB id ") + ids +
                       ": this openocd.exe is the Feldmoor OpenOCD simulator, whose adapters are " + ours + "." +
                       elsewhere);
    }
    const std::string bus = environmentVariable("QB562_SIM_DIR");
    if (bus.empty())
        throw SimError("this openocd.exe is the Feldmoor OpenOCD simulator, and QB562_SIM_DIR is not set, so there "
                       "is no simulated adapter bus to look at." + elsewhere);
    std::optional<unsigned> index = lowestAttachedAdapter();
    if (!index)
        throw SimError("this openocd.exe is the Feldmoor OpenOCD simulator, and no simulated QB562 adapter is "
                       "attached (no adapter0 to adapter" + std::to_string(kQB562AdapterSlots - 1) + " folder in " + bus + ")." + elsewhere);
    if (!selector_.empty())
        index = selectedAdapter(selector_);
    Board board(bus, *index);
    if (board.hasFault("fail-init"))
        throw SimError("QB562 adapter " + std::to_string(*index) + " does not answer: init failed (simulated "
                       "fault, " + board.file("fail-init") + " is present)");
    if (!speedKhz_)
        console_.warn("no adapter speed was set; using " + std::to_string(kDefaultSpeedKhz) + " kHz");
    if (board.hasFault("lost-at-init")) {
        // The adapter opened, then stopped answering at the chain scan: 0.12
        // goes on as if nothing were wrong and exits 0, every command after
        // it running on nothing (the board reads as an empty chain).
        console_.error("QB562 adapter " + std::to_string(*index) + " stopped answering (simulated fault, " +
                       board.file("lost-at-init") + " is present)");
        console_.error("Trying to use configured scan chain anyway...");
        console_.warn("Bypassing JTAG setup events due to errors");
        board_ = board;
        return;
    }

    const std::string part = board.part();
    char usbId[16];
    std::snprintf(usbId, sizeof usbId, "%04x:%04x", kVid, kPid);
    console_.info("QB562 adapter " + std::to_string(*index) + " (simulated, USB " + usbId + ") at " + board.dir());
    if (part == kEmptyChainPart) {
        // What OpenOCD says when TDO reads all ones: no device drives it.
        console_.error("JTAG scan chain interrogation failed: all ones");
        console_.error("Check JTAG interface, timings, target power, etc.");
        // OpenOCD 0.12 goes on with the TAPs the scripts declared: init
        // succeeds, and every scan after it reads ones.
        if (!taps_.empty())
            console_.error("Trying to use configured scan chain anyway...");
        for (const Tap &tap : taps_) {
            char capture[32];
            std::snprintf(capture, sizeof capture, "0x%02lx", (1UL << tap.irlen) - 1);
            console_.error(tap.dottedName() + ": IR capture error; saw " + capture + " not 0x01");
        }
        console_.warn("Bypassing JTAG setup events due to errors");
        board_ = board;
        return;
    }
    if (taps_.empty()) {
        autoProbe(part);
        board_ = board;
        return;
    }
    Tap *match = nullptr;
    for (Tap &tap : taps_) {
        if (!match && !tap.family.empty() && part.compare(0, tap.family.size(), tap.family) == 0)
            match = &tap;
    }
    if (!match) {
        std::string declared;
        for (const Tap &tap : taps_)
            declared += (declared.empty() ? "" : ", ") + tap.dottedName() + " (" + tap.family + "*)";
        throw SimError("JTAG scan chain: the board's FPGA is an " + part + ", which none of the declared TAPs " +
                       declared + " expects; the sourced family script does not fit this part");
    }
    match->present = true;
    console_.info(tapFoundLine(match->dottedName(), simulatedIdcode(part)));
    for (const Tap &tap : taps_) {
        if (!tap.present)
            console_.info("JTAG tap: " + tap.dottedName() + " is not on this board's chain");
    }
    board_ = board;
}

std::uint32_t Session::simulatedIdcode(const std::string &part)
{
    if (const feldmoor::PartFacts *facts = feldmoor::findPart(part.c_str()))
        return facts->idcode;
    return kUnknownPartIdcode;
}

std::string Session::tapFoundLine(const std::string &dottedName, std::uint32_t idcode)
{
    // OpenOCD's wording, with the JEP106 maker decoded the way it does for
    // the only maker on this chain.
    const unsigned maker = (idcode >> 1) & 0x7ffu;
    char text[160];
    std::snprintf(text, sizeof text, "JTAG tap: %s tap/device found: 0x%08x (mfg: 0x%03x (%s), part: 0x%04x, ver: 0x%x)",
                  dottedName.c_str(), static_cast<unsigned>(idcode), maker, maker == 0x049 ? "Xilinx" : "<unknown>",
                  static_cast<unsigned>((idcode >> 12) & 0xffffu), static_cast<unsigned>(idcode >> 28));
    return text;
}

void Session::autoProbe(const std::string &part)
{
    // With no TAP declared OpenOCD reads the IDCODE of whatever answers and
    // names it auto0.tap; the scripts' TAPs are not involved.
    const std::uint32_t idcode = simulatedIdcode(part);
    const feldmoor::PartFacts *facts = feldmoor::findPart(part.c_str());
    const unsigned irLength = facts ? facts->irLength : 6;
    console_.warn("There are no enabled taps.  AUTO PROBING MIGHT NOT WORK!!");
    console_.info(tapFoundLine("auto0.tap", idcode));
    char hint[128];
    std::snprintf(hint, sizeof hint, "AUTO auto0.tap - use \"jtag newtap auto0 tap -irlen %u -expected-id 0x%08x\"",
                  irLength, static_cast<unsigned>(idcode));
    console_.warn(hint);
}

Board &Session::board()
{
    if (!board_)
        throw SimError("the adapter is not initialised: run init first");
    return *board_;
}

Pacer Session::pacer()
{
    Board &attached = board();
    return Pacer(timeScale_, [&attached] { attached.requireAttached(); });
}

void Session::recordFpgaState(const FpgaState &state)
{
    writeFileAtomically(board().file("fpga"), formatFpgaState(state));
}

void Session::endQuietlyIfFaulted()
{
    if (!board_ || !board_->hasFault("ended-quietly"))
        return;
    removeFile(board_->file("ended-quietly"));
    // The console writes unbuffered: nothing said so far is lost.
    std::_Exit(0);
}

void Session::reachExit()
{
    if (!board_ || !board_->hasFault("hang"))
        return;
    console_.info("simulated fault: " + board_->file("hang") +
                  " is present, so the adapter hangs at exit; waiting until this program is killed");
    // The folder check comes first: unplugging removes the hang file with it.
    for (;;) {
        std::this_thread::sleep_for(Pacer::kCheckInterval);
        board_->requireAttached();
        if (!board_->hasFault("hang"))
            break;
    }
    console_.info("the hang fault was lifted; exiting");
}
