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

void appendWord(std::vector<std::uint8_t> &bytes, std::uint32_t word)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
}

}  // namespace

std::vector<std::uint8_t> sevenSeriesStream(std::uint64_t seed, std::size_t size, std::uint32_t idcode, bool proxy)
{
    constexpr std::uint32_t kNoop = 0x20000000u;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 8; ++i)
        appendWord(bytes, 0xffffffffu);
    for (const std::uint32_t word : {0x000000bbu, 0x11220044u, 0xffffffffu, 0xffffffffu, 0xaa995566u, kNoop,
                                     0x30018001u, idcode, kNoop})
        appendWord(bytes, word);
    if (proxy) {
        appendWord(bytes, 0x3001a001u);
        appendWord(bytes, kProxyMarker);
    }
    std::vector<std::uint8_t> tail;
    for (const std::uint32_t word : {0x30008001u, 0x00000005u, kNoop, 0x30008001u, 0x0000000du, kNoop, kNoop, kNoop})
        appendWord(tail, word);
    const std::size_t fixed = bytes.size() + 8 + tail.size();
    const std::size_t frameWords = size > fixed ? (size - fixed) / 4 : 0;
    appendWord(bytes, 0x30004000u);
    appendWord(bytes, 0x50000000u | static_cast<std::uint32_t>(frameWords & 0x07ffffffu));
    std::vector<std::uint8_t> frames(frameWords * 4);
    fillNoise(frames, 0, seed);
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    // What is left of `size` is padding after the stream's end; a smaller
    // size cuts the stream short.
    bytes.resize(size, 0x00);
    return bytes;
}

std::vector<std::uint8_t> configurationData(std::uint64_t seed, std::size_t size)
{
    static const std::uint8_t kPreamble[] = {
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0x00, 0x00, 0x00, 0xbb, 0x11, 0x22, 0x00, 0x44, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xaa, 0x99, 0x55, 0x66, 0x20, 0x00, 0x00, 0x00};
    static_assert(sizeof kPreamble == kConfigurationPreambleBytes, "the preamble's length is published");
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
