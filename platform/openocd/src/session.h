#ifndef FELDMOOR_OPENOCD_SESSION_H
#define FELDMOOR_OPENOCD_SESSION_H

#include "adapter_bus.h"
#include "board.h"
#include "console.h"
#include "fpga_state.h"
#include "pacer.h"
#include "scripts_dir.h"

#include "feldmoor/projectfacts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A TAP declared by a family script. The simulated chain holds one FPGA; at
// init it is matched to the first TAP whose family prefix starts its part
// name, and only that TAP is then present.
struct Tap {
    std::string chip;
    std::string name;
    std::string family;
    long irlen = 6;
    bool present = false;

    std::string dottedName() const { return chip + "." + name; }
};

// Everything one run of the program configures and touches: the adapter
// settings given by the commands, the TAPs of the scripts, and once `init`
// has run, the board behind the adapter it opened: the one the selection
// commands name, else the lowest attached one.
class Session {
public:
    static constexpr unsigned kVid = feldmoor::kAdapterVendorId;
    static constexpr unsigned kPid = feldmoor::kAdapterProductId;
    static constexpr long kDefaultSpeedKhz = 1000;
    // A board whose `part` file says this has nothing on its scan chain.
    static constexpr const char *kEmptyChainPart = "none";
    // A part the catalogue does not know answers as a Xilinx device of part
    // number 0, which no catalogue entry has.
    static constexpr std::uint32_t kUnknownPartIdcode = 0x00000093;

    // The IDCODE the simulated `part` answers with (version nibble 0).
    static std::uint32_t simulatedIdcode(const std::string &part);
    // OpenOCD's "JTAG tap: <name> tap/device found: 0x..." line, without "Info : ".
    static std::string tapFoundLine(const std::string &dottedName, std::uint32_t idcode);

    Session(Console &console, std::string exeDir, double timeScale);

    Console &console() { return console_; }
    const ScriptsDir &scripts() const { return scripts_; }
    const std::string &exeDir() const { return exeDir_; }

    void selectDriver(const std::string &name);
    void setVidPid(long vid, long pid);
    void setSpeed(long khz);
    long speedKhz() const { return speedKhz_.value_or(kDefaultSpeedKhz); }
    // OpenOCD's generic adapter selection, configuration commands like the
    // driver: refused once init has run.
    void setUsbLocation(const std::string &location);
    void setSerial(const std::string &serial);

    void declareTap(const Tap &tap);
    const std::vector<Tap> &taps() const { return taps_; }
    // The TAP by its dotted name; throws unless it is present on the chain.
    const Tap &presentTap(const std::string &dottedName) const;

    void init();
    // The board found by init; throws SimError before init.
    Board &board();

    // A pacer that aborts with AdapterLost once the board is unplugged.
    Pacer pacer();

    // Whether the FPGA currently runs the JTAG-to-SPI proxy, without which
    // the flash cannot be reached.
    bool proxyActive() const { return proxyActive_; }
    void setProxyActive(bool active) { proxyActive_ = active; }

    void recordFpgaState(const FpgaState &state);

    // Reaching `exit`: with the `hang` fault this waits until killed (or the
    // fault is lifted, or the adapter is unplugged).
    void reachExit();

    // The `ended-quietly` fault, taken by the next flash write: the program
    // ends at once with exit code 0, as Wine's taskkill ends a process.
    void endQuietlyIfFaulted();

private:
    void autoProbe(const std::string &part);

    Console &console_;
    std::string exeDir_;
    ScriptsDir scripts_;
    double timeScale_;
    std::string driver_;
    long vid_ = kVid;
    long pid_ = kPid;
    std::optional<long> speedKhz_;
    AdapterSelector selector_;
    std::vector<Tap> taps_;
    std::optional<Board> board_;
    bool proxyActive_ = false;
};

#endif
