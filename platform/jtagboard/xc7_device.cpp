#include "xc7_device.h"

#include "flash_boot.h"

#include <cstdio>

namespace {

constexpr unsigned kIdcode = 0x09;
constexpr unsigned kBypass = 0x3f;
constexpr unsigned kCfgIn = 0x05;
constexpr unsigned kCfgOut = 0x04;
constexpr unsigned kJprogram = 0x0b;
constexpr unsigned kJstart = 0x0c;
constexpr unsigned kJshutdown = 0x0d;
constexpr unsigned kUser1 = 0x02;

// Idle clocks after JPROGRAM with no JTAG configuration begun: the FPGA has
// then gone off to read its flash (xc7_program idles for 60000).
constexpr std::uint64_t kBootIdleClocks = 1000;

std::string hexInstruction(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

}  // namespace

Xc7Device::Xc7Device(std::uint32_t idcode, SpiNor &flash)
    : idcode_(idcode), flash_(flash), proxy_bridge_(flash), engine_(idcode)
{
}

void Xc7Device::restore(Source source, bool proxy, bool idError)
{
    source_ = source;
    proxy_ = source != Source::None && proxy;
    if (source != Source::None)
        engine_.restore(ConfigEngine::Outcome::Configured, proxy_);
    else
        engine_.restore(idError ? ConfigEngine::Outcome::IdError : ConfigEngine::Outcome::None, false);
}

void Xc7Device::setPins(bool tck, bool tms, bool tdi)
{
    if (tck && !tck_)
        risingEdge(tms, tdi);
    tck_ = tck;
}

void Xc7Device::resetTap()
{
    state_ = State::Reset;
    enter(State::Reset);
}

void Xc7Device::risingEdge(bool tms, bool tdi)
{
    if (state_ == State::ShiftDr) {
        shiftDr(tdi);
    } else if (state_ == State::ShiftIr) {
        irShift_ = (irShift_ >> 1) | ((tdi ? 1u : 0u) << 5);
        tdo_ = (irShift_ & 1u) != 0;
    } else if (state_ == State::Idle && !tms) {
        ++idleClocks_;
        if (bootPending_ && idleClocks_ >= kBootIdleClocks)
            bootFromFlash();
    }
    const State following = next(state_, tms);
    if (following != state_ || following == State::Reset)
        enter(following);
    state_ = following;
}

Xc7Device::State Xc7Device::next(State state, bool tms)
{
    switch (state) {
    case State::Reset: return tms ? State::Reset : State::Idle;
    case State::Idle: return tms ? State::SelectDr : State::Idle;
    case State::SelectDr: return tms ? State::SelectIr : State::CaptureDr;
    case State::CaptureDr: return tms ? State::Exit1Dr : State::ShiftDr;
    case State::ShiftDr: return tms ? State::Exit1Dr : State::ShiftDr;
    case State::Exit1Dr: return tms ? State::UpdateDr : State::PauseDr;
    case State::PauseDr: return tms ? State::Exit2Dr : State::PauseDr;
    case State::Exit2Dr: return tms ? State::UpdateDr : State::ShiftDr;
    case State::UpdateDr: return tms ? State::SelectDr : State::Idle;
    case State::SelectIr: return tms ? State::Reset : State::CaptureIr;
    case State::CaptureIr: return tms ? State::Exit1Ir : State::ShiftIr;
    case State::ShiftIr: return tms ? State::Exit1Ir : State::ShiftIr;
    case State::Exit1Ir: return tms ? State::UpdateIr : State::PauseIr;
    case State::PauseIr: return tms ? State::Exit2Ir : State::PauseIr;
    case State::Exit2Ir: return tms ? State::UpdateIr : State::ShiftIr;
    case State::UpdateIr: return tms ? State::SelectDr : State::Idle;
    }
    return State::Reset;
}

void Xc7Device::enter(State state)
{
    switch (state) {
    case State::Reset:
        if (ir_ == kUser1)
            proxy_bridge_.endScan();
        ir_ = kIdcode;
        break;
    case State::CaptureDr:
        captureDr();
        break;
    case State::ShiftDr:
        if (ir_ == kCfgOut)
            tdo_ = (outWord_ >> 31) != 0;
        else if (ir_ == kUser1 && proxy_)
            tdo_ = false;
        else
            tdo_ = (drShift_ & 1u) != 0;
        break;
    case State::Exit1Dr:
        if (ir_ == kUser1 && proxy_)
            proxy_bridge_.endScan();
        break;
    case State::CaptureIr:
        // The low two bits must read 01; bit 5 is DONE on a 7-series part.
        irShift_ = 0x11u | (done() ? 0x20u : 0u);
        break;
    case State::ShiftIr:
        tdo_ = (irShift_ & 1u) != 0;
        break;
    case State::UpdateIr:
        ir_ = irShift_ & 0x3fu;
        updateIr();
        break;
    default:
        break;
    }
}

void Xc7Device::captureDr()
{
    switch (ir_) {
    case kIdcode:
        drShift_ = idcode_;
        drLength_ = 32;
        return;
    case kCfgOut:
        outWord_ = engine_.takeReadback();
        outBits_ = 32;
        return;
    case kUser1:
        if (proxy_) {
            proxy_bridge_.capture();
            return;
        }
        ++unmodelled_["USER1 scan with no proxy configured"];
        break;
    default:
        break;
    }
    drShift_ = 0;
    drLength_ = 1;
}

void Xc7Device::shiftDr(bool tdi)
{
    switch (ir_) {
    case kCfgIn:
        engine_.feedBit(tdi);
        if (source_ == Source::None && engine_.outcome() == ConfigEngine::Outcome::Configured)
            configured(Source::Jtag);
        tdo_ = false;
        return;
    case kCfgOut:
        outWord_ <<= 1;
        if (--outBits_ == 0) {
            outWord_ = engine_.takeReadback();
            outBits_ = 32;
        }
        tdo_ = (outWord_ >> 31) != 0;
        return;
    case kUser1:
        if (proxy_) {
            tdo_ = proxy_bridge_.shift(tdi);
            return;
        }
        break;
    default:
        break;
    }
    drShift_ = (drShift_ >> 1) | (std::uint64_t{tdi ? 1u : 0u} << (drLength_ - 1));
    tdo_ = (drShift_ & 1u) != 0;
}

void Xc7Device::updateIr()
{
    switch (ir_) {
    case kJprogram:
        // The fabric is cleared; unless a JTAG configuration follows, the
        // FPGA then boots from its flash.
        engine_.clear();
        source_ = Source::None;
        proxy_ = false;
        changed_ = true;
        bootPending_ = true;
        idleClocks_ = 0;
        return;
    case kCfgIn:
        bootPending_ = false;
        return;
    case kJshutdown:
        return;
    case kIdcode:
    case kBypass:
    case kCfgOut:
    case kJstart:
    case kUser1:
        break;
    default:
        ++unmodelled_["instruction " + hexInstruction(ir_)];
        break;
    }
    if (bootPending_)
        bootFromFlash();
}

void Xc7Device::bootFromFlash()
{
    bootPending_ = false;
    engine_.clear();
    const std::vector<std::uint8_t> &image = flash_.contents();
    // The simulator's rule for what the part takes; an IDCODE packet naming
    // another part is left to the configuration logic, which ends in its ID
    // error as the silicon's does.
    const FlashBoot boot = examineFlashBoot(image, idcode_);
    if (boot.verdict == FlashBoot::Verdict::NoSync)
        return;
    for (std::size_t at = boot.syncAt; at + 4 <= image.size() && !engine_.settled(); at += 4) {
        engine_.feedWord((std::uint32_t{image[at]} << 24) | (std::uint32_t{image[at + 1]} << 16) |
                         (std::uint32_t{image[at + 2]} << 8) | image[at + 3]);
    }
    if (engine_.outcome() == ConfigEngine::Outcome::Configured)
        configured(Source::Flash);
}

void Xc7Device::configured(Source source)
{
    // The `silent-reject` fault: a user's image (not the proxy) fails the
    // way a corrupt or wrong-part one does, DONE low.
    if (silentRejectArmed_ && !engine_.proxyMarked()) {
        silentRejectArmed_ = false;
        silentRejectTaken_ = true;
        engine_.restore(ConfigEngine::Outcome::IdError, false);
        return;
    }
    source_ = source;
    proxy_ = engine_.proxyMarked();
    configWords_ = engine_.wordsSinceSync();
}

void Xc7Device::finish()
{
    if (ir_ == kUser1 && proxy_)
        proxy_bridge_.endScan();
    if (bootPending_)
        bootFromFlash();
}

std::map<std::string, std::uint64_t> Xc7Device::unmodelled() const
{
    std::map<std::string, std::uint64_t> all = unmodelled_;
    for (const auto &entry : engine_.unmodelled())
        all["configuration: " + entry.first] += entry.second;
    for (const auto &entry : flash_.unmodelled())
        all["flash: " + entry.first] += entry.second;
    return all;
}
