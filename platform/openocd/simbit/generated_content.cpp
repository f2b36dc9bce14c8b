#include "generated_content.h"

#include "pseudo_random.h"

#include <algorithm>

namespace {

void fillNoise(std::vector<std::uint8_t> &bytes, std::size_t from, std::uint64_t seed)
{
    PseudoRandom random(seed);
    std::uint64_t word = 0;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        if ((i - from) % 8 == 0)
            word = random.next();
        bytes[i] = static_cast<std::uint8_t>(word >> (8 * ((i - from) % 8)));
    }
}

}  // namespace

std::vector<std::uint8_t> configurationData(std::uint64_t seed, std::size_t size)
{
    static const std::uint8_t kPreamble[] = {
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0x00, 0x00, 0x00, 0xbb, 0x11, 0x22, 0x00, 0x44, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xaa, 0x99, 0x55, 0x66, 0x20, 0x00, 0x00, 0x00};
    std::vector<std::uint8_t> bytes(size);
    const std::size_t head = std::min(size, sizeof kPreamble);
    std::copy(kPreamble, kPreamble + head, bytes.begin());
    fillNoise(bytes, head, seed);
    return bytes;
}

std::vector<std::uint8_t> rawImage(std::uint64_t seed, std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    fillNoise(bytes, 0, seed);
    if (!bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xff; }))
        bytes.front() = 0x00;
    return bytes;
}
