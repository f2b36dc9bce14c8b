#ifndef FELDMOOR_OPENOCD_BIT_FILE_H
#define FELDMOOR_OPENOCD_BIT_FILE_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The Xilinx .bit container: a fixed 13-byte header, then the text fields
// 'a' design, 'b' part, 'c' date, 'd' time (key byte, 16-bit big-endian
// length, NUL-terminated text) and 'e' with a 32-bit big-endian length
// followed by the configuration data.
struct BitFile {
    static const std::array<std::uint8_t, 13> kMagic;

    std::string design;  // field 'a' as written, e.g. "top;UserID=0XFFFFFFFF"
    std::string part;    // field 'b', e.g. "xc7a35t" or "7a35tcsg324"
    std::string date;
    std::string time;
    std::vector<std::uint8_t> data;

    // The design name without the ";key=value" options Vivado appends.
    std::string designName() const;
};

// Throws SimError with a reason ("not a Xilinx .bit file", "truncated", ...).
BitFile parseBitFile(const std::vector<std::uint8_t> &bytes);

// The exact bytes of a container holding these fields.
std::vector<std::uint8_t> serializeBitFile(const BitFile &bit);

#endif
