#ifndef FELDMOOR_JTAGBOARD_CONFIG_ENGINE_H
#define FELDMOOR_JTAGBOARD_CONFIG_ENGINE_H

#include <cstdint>
#include <deque>
#include <map>
#include <string>

// The configuration logic of a 7-series FPGA as far as our streams reach it:
// it hunts for the sync word, walks type-1 and type-2 packets, checks the
// IDCODE written to it against its own, and finishes a configuration on the
// START command. Readback requests (a type-1 read) queue words for CFG_OUT.
class ConfigEngine {
public:
    enum class Outcome { None, Configured, IdError };

    explicit ConfigEngine(std::uint32_t ownIdcode) : ownIdcode_(ownIdcode) {}

    // JPROGRAM: the fabric is cleared, the status bits with it.
    void clear();
    // How an earlier run left the FPGA.
    void restore(Outcome outcome, bool proxy);

    // One bit as CFG_IN delivers it (each byte most significant bit first).
    void feedBit(bool bit);
    // A whole word, for the boot from flash, which is byte-aligned.
    void feedWord(std::uint32_t word);

    // Whether the stream has said what became of it: START, an ID error,
    // or DESYNC (the end of a stream, or of a status read).
    bool settled() const { return outcome_ != Outcome::None || desynced_; }
    bool synced() const { return synced_; }
    Outcome outcome() const { return outcome_; }
    // Whether the stream wrote the proxy's marker to the user access register.
    bool proxyMarked() const { return proxyMarked_; }
    std::uint64_t wordsSinceSync() const { return wordsSinceSync_; }

    std::uint32_t status() const;

    // The next word CFG_OUT shifts (0 when nothing was asked for).
    std::uint32_t takeReadback();

    // What a stream did that the board does not model: "name" -> count.
    const std::map<std::string, std::uint64_t> &unmodelled() const { return unmodelled_; }

private:
    void word(std::uint32_t value);
    void writeRegister(unsigned address, std::uint32_t value);
    void readRegister(unsigned address, unsigned count);

    std::uint32_t ownIdcode_;
    bool synced_ = false;
    bool desynced_ = false;
    bool proxyMarked_ = false;
    Outcome outcome_ = Outcome::None;
    std::uint32_t shift_ = 0;
    unsigned bitsInWord_ = 0;
    unsigned address_ = 0;
    std::uint64_t payloadLeft_ = 0;
    bool payloadIsWrite_ = false;
    std::uint64_t wordsSinceSync_ = 0;
    std::deque<std::uint32_t> readback_;
    std::map<std::string, std::uint64_t> unmodelled_;
};

// What the proxy bitstreams write to the user access register (AXSS), so that
// the board can tell them from a user's design by what is shifted.
constexpr std::uint32_t kProxyMarker = 0x4a535049u;  // "JSPI"

#endif
