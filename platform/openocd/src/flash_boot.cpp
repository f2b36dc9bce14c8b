#include "flash_boot.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kSyncWord = 0xaa995566u;
// A type-1 write of one word to the IDCODE register.
constexpr std::uint32_t kIdcodeWrite = 0x30018001u;
constexpr std::uint32_t kStepping = 0xf0000000u;
// How far after the sync word the IDCODE packet may come: a bitstream
// writes it among its first commands.
constexpr std::size_t kIdcodeSearchBytes = 64 * 1024;

std::uint32_t wordAt(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
           std::uint32_t(bytes[at + 3]);
}

} // namespace

FlashBoot examineFlashBoot(const std::vector<std::uint8_t> &flash, std::uint32_t ownIdcode)
{
    FlashBoot boot;
    // The part reads the flash byte by byte until the sync word; from it on,
    // in whole words.
    const std::size_t syncEnd = std::min(flash.size(), kSyncSearchBytes);
    std::size_t at = 0;
    for (; at + 4 <= syncEnd; ++at) {
        if (wordAt(flash, at) == kSyncWord)
            break;
    }
    if (at + 4 > syncEnd)
        return boot;
    boot.syncAt = at;
    const std::size_t end = std::min(flash.size(), at + kIdcodeSearchBytes);
    for (at += 4; at + 8 <= end; at += 4) {
        if (wordAt(flash, at) == kIdcodeWrite) {
            boot.idcode = wordAt(flash, at + 4);
            break;
        }
    }
    boot.verdict = !boot.idcode || ((*boot.idcode ^ ownIdcode) & ~kStepping) == 0 ? FlashBoot::Verdict::Takes
                                                                                  : FlashBoot::Verdict::OtherPart;
    return boot;
}
