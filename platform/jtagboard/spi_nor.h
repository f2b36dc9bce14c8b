#ifndef FELDMOOR_JTAGBOARD_SPI_NOR_H
#define FELDMOOR_JTAGBOARD_SPI_NOR_H

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// How long the flash is busy after each operation, before scaling.
struct NorTiming {
    std::chrono::microseconds pageProgram{700};
    std::chrono::microseconds sectorErase{150000};
    std::chrono::microseconds bulkErase{36480000};
    double scale = 1.0;
};

// A Micron N25Q128 (16 MiB, 64 KiB sectors, 256-byte pages) seen one SPI
// bit at a time: select() starts a transaction, clock() takes the MOSI bit
// and answers the MISO bit, deselect() ends it and runs what it asked for.
class SpiNor {
public:
    static constexpr std::size_t kSize = 16u << 20;
    static constexpr std::size_t kSectorSize = 64u << 10;
    static constexpr std::size_t kPageSize = 256;

    SpiNor(std::vector<std::uint8_t> contents, NorTiming timing);

    void select();
    bool clock(bool mosi);
    void deselect();

    const std::vector<std::uint8_t> &contents() const { return memory_; }
    bool written() const { return written_; }
    const std::map<std::string, std::uint64_t> &unmodelled() const { return unmodelled_; }

private:
    using Clock = std::chrono::steady_clock;

    bool busy() const { return Clock::now() < busyUntil_; }
    std::uint8_t statusRegister() const;
    // The byte the flash drives while the host sends byte number `index`.
    std::uint8_t replyFor(std::size_t index);
    void commandComplete();
    void startBusy(std::chrono::microseconds duration);
    std::uint32_t address() const;

    std::vector<std::uint8_t> memory_;
    NorTiming timing_;
    bool selected_ = false;
    bool writeEnabled_ = false;
    bool written_ = false;
    Clock::time_point busyUntil_{};
    std::vector<std::uint8_t> received_;
    std::uint8_t inByte_ = 0;
    unsigned inBits_ = 0;
    std::uint8_t outByte_ = 0;
    unsigned outBits_ = 0;
    std::map<std::string, std::uint64_t> unmodelled_;
};

#endif
