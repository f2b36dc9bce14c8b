#include "spi_nor.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kRdid = 0x9f;
constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kFastRead = 0x0b;
constexpr std::uint8_t kWren = 0x06;
constexpr std::uint8_t kWrdi = 0x04;
constexpr std::uint8_t kRdsr = 0x05;
constexpr std::uint8_t kPageProgram = 0x02;
constexpr std::uint8_t kSectorErase = 0xd8;
constexpr std::uint8_t kBulkErase = 0xc7;

constexpr std::uint8_t kId[] = {0x20, 0xba, 0x18};

std::string hexByte(std::uint8_t value)
{
    static const char digits[] = "0123456789abcdef";
    return std::string("0x") + digits[value >> 4] + digits[value & 0xf];
}

}  // namespace

SpiNor::SpiNor(std::vector<std::uint8_t> contents, NorTiming timing) : memory_(std::move(contents)), timing_(timing)
{
    memory_.resize(kSize, 0xff);
}

void SpiNor::select()
{
    selected_ = true;
    received_.clear();
    inByte_ = 0;
    inBits_ = 0;
    outBits_ = 0;
}

bool SpiNor::clock(bool mosi)
{
    if (!selected_)
        return false;
    if (outBits_ == 0) {
        outByte_ = replyFor(received_.size());
        outBits_ = 8;
    }
    const bool miso = (outByte_ & 0x80) != 0;
    outByte_ = static_cast<std::uint8_t>(outByte_ << 1);
    --outBits_;
    inByte_ = static_cast<std::uint8_t>((inByte_ << 1) | (mosi ? 1 : 0));
    if (++inBits_ == 8) {
        received_.push_back(inByte_);
        inBits_ = 0;
    }
    return miso;
}

std::uint8_t SpiNor::statusRegister() const
{
    return static_cast<std::uint8_t>((busy() ? 0x01 : 0x00) | (writeEnabled_ ? 0x02 : 0x00));
}

std::uint32_t SpiNor::address() const
{
    return (std::uint32_t{received_[1]} << 16) | (std::uint32_t{received_[2]} << 8) | received_[3];
}

std::uint8_t SpiNor::replyFor(std::size_t index)
{
    if (received_.empty())
        return 0xff;
    const std::uint8_t command = received_[0];
    if (busy() && command != kRdsr)
        return 0xff;
    switch (command) {
    case kRdid:
        return index >= 1 && index <= 3 ? kId[index - 1] : 0x00;
    case kRdsr:
        return statusRegister();
    case kRead:
    case kFastRead: {
        const std::size_t header = command == kRead ? 4 : 5;
        if (index < header)
            return 0xff;
        return memory_[(address() + (index - header)) % kSize];
    }
    default:
        return 0xff;
    }
}

void SpiNor::startBusy(std::chrono::microseconds duration)
{
    busyUntil_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(duration * timing_.scale);
}

void SpiNor::deselect()
{
    if (!selected_)
        return;
    selected_ = false;
    if (received_.empty())
        return;
    commandComplete();
}

void SpiNor::commandComplete()
{
    const std::uint8_t command = received_[0];
    if (command == kRdsr)
        return;
    if (busy()) {
        ++unmodelled_["command " + hexByte(command) + " while busy (ignored)"];
        return;
    }
    switch (command) {
    case kRdid:
    case kRead:
    case kFastRead:
        return;
    case kWren:
        writeEnabled_ = true;
        return;
    case kWrdi:
        writeEnabled_ = false;
        return;
    case kPageProgram: {
        if (!writeEnabled_ || received_.size() < 4)
            return;
        const std::uint32_t start = address() % kSize;
        const std::uint32_t page = start - start % kPageSize;
        for (std::size_t i = 4; i < received_.size(); ++i) {
            // Programming wraps within the page and only clears bits.
            const std::size_t at = page + (start - page + (i - 4)) % kPageSize;
            memory_[at] &= received_[i];
        }
        written_ = true;
        writeEnabled_ = false;
        startBusy(timing_.pageProgram);
        return;
    }
    case kSectorErase: {
        if (!writeEnabled_ || received_.size() < 4)
            return;
        const std::size_t sector = (address() % kSize) / kSectorSize * kSectorSize;
        std::fill(memory_.begin() + static_cast<std::ptrdiff_t>(sector),
                  memory_.begin() + static_cast<std::ptrdiff_t>(sector + kSectorSize), 0xff);
        written_ = true;
        writeEnabled_ = false;
        startBusy(timing_.sectorErase);
        return;
    }
    case kBulkErase:
        if (!writeEnabled_)
            return;
        std::fill(memory_.begin(), memory_.end(), 0xff);
        written_ = true;
        writeEnabled_ = false;
        startBusy(timing_.bulkErase);
        return;
    default:
        ++unmodelled_["flash command " + hexByte(command)];
        return;
    }
}
