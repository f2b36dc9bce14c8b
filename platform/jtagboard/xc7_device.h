#ifndef FELDMOOR_JTAGBOARD_XC7_DEVICE_H
#define FELDMOOR_JTAGBOARD_XC7_DEVICE_H

#include "config_engine.h"
#include "spi_nor.h"
#include "spi_proxy.h"

#include <cstdint>
#include <map>
#include <string>

// A 7-series FPGA behind its JTAG TAP (IR length 6), with the SPI flash it
// boots from. Driven one TCK edge at a time by the bitbang server.
class Xc7Device {
public:
    enum class Source { None, Jtag, Flash };

    Xc7Device(std::uint32_t idcode, SpiNor &flash);

    // The pins as remote_bitbang sets them; the TAP acts on TCK's rising edge.
    void setPins(bool tck, bool tms, bool tdi);
    void resetTap();
    bool tdo() const { return tdo_; }

    // How an earlier run left the FPGA (the board folder's `fpga`).
    void restore(Source source, bool proxy, bool idError);
    // The board's `silent-reject` fault: the next user's image configured
    // leaves DONE low; taken once.
    void armSilentReject() { silentRejectArmed_ = true; }
    bool silentRejectTaken() const { return silentRejectTaken_; }

    // Whether this run changed what the FPGA holds (a JPROGRAM at least).
    bool changed() const { return changed_; }

    // The FPGA after the connection closed (a boot that JPROGRAM started is
    // finished first).
    void finish();

    Source source() const { return source_; }
    bool done() const { return engine_.outcome() == ConfigEngine::Outcome::Configured; }
    bool proxy() const { return proxy_; }
    bool idError() const { return engine_.outcome() == ConfigEngine::Outcome::IdError; }
    std::uint64_t configWords() const { return configWords_; }

    // Everything asked of the board that it does not model, with counts.
    std::map<std::string, std::uint64_t> unmodelled() const;

private:
    enum class State {
        Reset, Idle, SelectDr, CaptureDr, ShiftDr, Exit1Dr, PauseDr, Exit2Dr, UpdateDr,
        SelectIr, CaptureIr, ShiftIr, Exit1Ir, PauseIr, Exit2Ir, UpdateIr
    };

    void risingEdge(bool tms, bool tdi);
    static State next(State state, bool tms);
    void enter(State state);
    void captureDr();
    void shiftDr(bool tdi);
    void updateIr();
    void bootFromFlash();
    void configured(Source source);
    void settleConfiguration();

    std::uint32_t idcode_;
    SpiNor &flash_;
    SpiProxy proxy_bridge_;
    ConfigEngine engine_;
    State state_ = State::Reset;
    bool tck_ = false;
    bool tdo_ = false;
    unsigned ir_ = 0x09;
    unsigned irShift_ = 0;
    std::uint64_t drShift_ = 0;
    unsigned drLength_ = 1;
    std::uint32_t outWord_ = 0;
    unsigned outBits_ = 0;
    bool bootPending_ = false;
    bool jtagConfiguring_ = false;
    std::uint64_t idleClocks_ = 0;
    Source source_ = Source::None;
    bool proxy_ = false;
    bool changed_ = false;
    bool silentRejectArmed_ = false;
    bool silentRejectTaken_ = false;
    std::uint64_t configWords_ = 0;
    std::map<std::string, std::uint64_t> unmodelled_;
};

#endif
