#include "config_engine.h"

namespace {

constexpr std::uint32_t kSyncWord = 0xaa995566u;

constexpr unsigned kRegCrc = 0x00;
constexpr unsigned kRegFar = 0x01;
constexpr unsigned kRegFdri = 0x02;
constexpr unsigned kRegCmd = 0x04;
constexpr unsigned kRegCtl0 = 0x05;
constexpr unsigned kRegMask = 0x06;
constexpr unsigned kRegStat = 0x07;
constexpr unsigned kRegCor0 = 0x09;
constexpr unsigned kRegIdcode = 0x0c;
constexpr unsigned kRegAxss = 0x0d;

constexpr std::uint32_t kCmdNull = 0x0;
constexpr std::uint32_t kCmdStart = 0x5;
constexpr std::uint32_t kCmdRcrc = 0x7;
constexpr std::uint32_t kCmdDesync = 0xd;

// The status word of a 7-series part: DONE bit 14, ID_ERROR bit 15, INIT_B
// bit 12, INIT_COMPLETE bit 11; a configured part reads 0x401079FC.
constexpr std::uint32_t kStatusConfigured = 0x401079fcu;
constexpr std::uint32_t kStatusCleared = 0x00001800u;
constexpr std::uint32_t kStatusIdError = 1u << 15;

}  // namespace

void ConfigEngine::clear()
{
    synced_ = false;
    desynced_ = false;
    proxyMarked_ = false;
    outcome_ = Outcome::None;
    shift_ = 0;
    bitsInWord_ = 0;
    payloadLeft_ = 0;
    wordsSinceSync_ = 0;
    readback_.clear();
}

void ConfigEngine::restore(Outcome outcome, bool proxy)
{
    clear();
    outcome_ = outcome;
    proxyMarked_ = proxy;
}

std::uint32_t ConfigEngine::status() const
{
    switch (outcome_) {
    case Outcome::Configured:
        return kStatusConfigured;
    case Outcome::IdError:
        return kStatusCleared | kStatusIdError;
    case Outcome::None:
        break;
    }
    return kStatusCleared;
}

std::uint32_t ConfigEngine::takeReadback()
{
    if (readback_.empty())
        return 0;
    const std::uint32_t value = readback_.front();
    readback_.pop_front();
    return value;
}

void ConfigEngine::feedBit(bool bit)
{
    shift_ = (shift_ << 1) | (bit ? 1u : 0u);
    if (!synced_) {
        // The sync word may come at any bit position.
        if (shift_ == kSyncWord) {
            synced_ = true;
            bitsInWord_ = 0;
            wordsSinceSync_ = 0;
        }
        return;
    }
    if (++bitsInWord_ == 32) {
        bitsInWord_ = 0;
        word(shift_);
    }
}

void ConfigEngine::feedWord(std::uint32_t value)
{
    if (!synced_) {
        if (value == kSyncWord) {
            synced_ = true;
            wordsSinceSync_ = 0;
        }
        return;
    }
    word(value);
}

void ConfigEngine::word(std::uint32_t value)
{
    ++wordsSinceSync_;
    if (payloadLeft_ == 0 && value == kSyncWord)
        return;  // a second sync word, as a status read after a stream sends
    if (payloadLeft_ > 0) {
        --payloadLeft_;
        if (payloadIsWrite_)
            writeRegister(address_, value);
        return;
    }
    const unsigned type = value >> 29;
    const unsigned opcode = (value >> 27) & 0x3u;
    if (type == 1) {
        address_ = (value >> 13) & 0x1fu;
        payloadLeft_ = value & 0x7ffu;
    } else if (type == 2) {
        payloadLeft_ = value & 0x07ffffffu;
    } else {
        ++unmodelled_["packet type " + std::to_string(type)];
        return;
    }
    payloadIsWrite_ = opcode == 2;
    if (opcode == 1) {
        readRegister(address_, static_cast<unsigned>(payloadLeft_));
        payloadLeft_ = 0;
    } else if (opcode == 3) {
        ++unmodelled_["reserved packet opcode"];
    }
}

void ConfigEngine::writeRegister(unsigned address, std::uint32_t value)
{
    switch (address) {
    case kRegIdcode:
        if ((value & 0x0fffffffu) != (ownIdcode_ & 0x0fffffffu)) {
            // An ID error: the part ignores the rest of the stream and
            // stays unconfigured until the next JPROGRAM.
            outcome_ = Outcome::IdError;
            synced_ = false;
            payloadLeft_ = 0;
        }
        return;
    case kRegCmd:
        if (value == kCmdStart) {
            if (outcome_ == Outcome::None)
                outcome_ = Outcome::Configured;
        } else if (value == kCmdDesync) {
            synced_ = false;
            desynced_ = true;
        } else if (value != kCmdNull && value != kCmdRcrc) {
            ++unmodelled_["CMD " + std::to_string(value)];
        }
        return;
    case kRegAxss:
        if (value == kProxyMarker)
            proxyMarked_ = true;
        return;
    case kRegFdri:
        return;  // frame data: the fabric's contents are not modelled
    case kRegCrc:
    case kRegFar:
    case kRegCtl0:
    case kRegMask:
    case kRegCor0:
    default:
        ++unmodelled_["write of register " + std::to_string(address)];
        return;
    }
}

void ConfigEngine::readRegister(unsigned address, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        if (address == kRegStat) {
            readback_.push_back(status());
        } else if (address == kRegIdcode) {
            readback_.push_back(ownIdcode_);
        } else {
            ++unmodelled_["read of register " + std::to_string(address)];
            readback_.push_back(0);
        }
    }
}
