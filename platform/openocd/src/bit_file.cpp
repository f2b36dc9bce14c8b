#include "bit_file.h"

#include "sim_error.h"

#include <algorithm>
#include <cstdio>

const std::array<std::uint8_t, 13> BitFile::kMagic = {0x00, 0x09, 0x0f, 0xf0, 0x0f, 0xf0, 0x0f,
                                                      0xf0, 0x0f, 0xf0, 0x00, 0x00, 0x01};

std::string BitFile::designName() const
{
    return design.substr(0, design.find(';'));
}

namespace {

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t> &bytes) : bytes_(bytes) {}

    std::size_t left() const { return bytes_.size() - pos_; }

    std::uint32_t bigEndian(int width, const std::string &what)
    {
        need(static_cast<std::size_t>(width), what);
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i)
            value = (value << 8) | bytes_[pos_++];
        return value;
    }

    std::string text(std::size_t length, char key)
    {
        need(length, std::string("field '") + key + "'");
        std::string value(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                          bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
        pos_ += length;
        const auto nul = value.find('\0');
        if (nul != std::string::npos)
            value.resize(nul);
        return value;
    }

    std::vector<std::uint8_t> block(std::size_t length)
    {
        if (left() < length)
            throw SimError("truncated .bit file: the configuration data should be " + std::to_string(length) +
                           " bytes but only " + std::to_string(left()) + " follow");
        std::vector<std::uint8_t> value(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                        bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
        pos_ += length;
        return value;
    }

private:
    void need(std::size_t count, const std::string &what) const
    {
        if (left() < count)
            throw SimError("truncated .bit file: it ends inside " + what);
    }

    const std::vector<std::uint8_t> &bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

BitFile parseBitFile(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < BitFile::kMagic.size() ||
        !std::equal(BitFile::kMagic.begin(), BitFile::kMagic.end(), bytes.begin())) {
        throw SimError("not a Xilinx .bit file (it does not start with the .bit header)");
    }
    Reader in(bytes);
    in.bigEndian(static_cast<int>(BitFile::kMagic.size()), "the header");

    BitFile bit;
    bool havePart = false;
    for (;;) {
        const char key = static_cast<char>(in.bigEndian(1, "the field list"));
        if (key == 'e') {
            const std::uint32_t length = in.bigEndian(4, "the length of the configuration data");
            bit.data = in.block(length);
            break;
        }
        if (key < 'a' || key > 'd') {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned char>(key));
            throw SimError(std::string("not a Xilinx .bit file (unexpected field key ") + code + ")");
        }
        const std::uint32_t length = in.bigEndian(2, std::string("the length of field '") + key + "'");
        std::string value = in.text(length, key);
        switch (key) {
        case 'a': bit.design = std::move(value); break;
        case 'b': bit.part = std::move(value); havePart = true; break;
        case 'c': bit.date = std::move(value); break;
        default: bit.time = std::move(value); break;
        }
    }
    if (!havePart || bit.part.empty())
        throw SimError("not a usable .bit file: it names no part (field 'b')");
    if (bit.data.empty())
        throw SimError(".bit file holds no configuration data");
    return bit;
}

std::vector<std::uint8_t> serializeBitFile(const BitFile &bit)
{
    std::vector<std::uint8_t> out(BitFile::kMagic.begin(), BitFile::kMagic.end());
    const auto field = [&out](char key, const std::string &text) {
        const std::size_t length = text.size() + 1;
        if (length > 0xffff)
            throw SimError(std::string("field '") + key + "' is too long for a .bit file");
        out.push_back(static_cast<std::uint8_t>(key));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
    };
    field('a', bit.design);
    field('b', bit.part);
    field('c', bit.date);
    field('d', bit.time);
    const std::size_t length = bit.data.size();
    out.push_back('e');
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(length >> shift));
    out.insert(out.end(), bit.data.begin(), bit.data.end());
    return out;
}
