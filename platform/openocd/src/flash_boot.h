#ifndef FELDMOOR_OPENOCD_FLASH_BOOT_H
#define FELDMOOR_OPENOCD_FLASH_BOOT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Whether a 7-series FPGA takes the configuration its SPI flash holds when
// it boots from it, as the simulator and the board behind remote_bitbang
// both decide it: the sync word must come within the first bytes it reads
// from address 0 (a real part gives up hunting for it soon after), and an
// IDCODE packet after it, where there is one, must name the part itself
// (its top 4 bits, the stepping, aside). Anything else leaves the part
// unconfigured, DONE low.
struct FlashBoot {
    enum class Verdict { NoSync, OtherPart, Takes };
    Verdict verdict = Verdict::NoSync;
    std::size_t syncAt = 0;               // where the sync word begins
    std::optional<std::uint32_t> idcode;  // what its IDCODE packet says, when it has one
};

// How far from address 0 the sync word is looked for.
constexpr std::size_t kSyncSearchBytes = 512;

FlashBoot examineFlashBoot(const std::vector<std::uint8_t> &flash, std::uint32_t ownIdcode);

#endif
