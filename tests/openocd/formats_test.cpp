// The file formats and rules of the simulator without running it: the .bit
// container, part matching, the board's `fpga` record, the progress step,
// and what simbit writes.

#include "bit_file.h"
#include "feldmoor/projectfacts.h"
#include "flash_programming.h"
#include "fpga_state.h"
#include "part_match.h"
#include "sim_error.h"
#include "sim_harness.h"
#include "testreport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> field(char key, const std::string &text)
{
    const std::size_t length = text.size() + 1;
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length)};
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return out;
}

// A container laid out byte by byte as the Xilinx tools write it.
std::vector<std::uint8_t> handMadeBit(const std::string &design, const std::string &part, std::uint32_t dataLength,
                                      std::uint32_t declaredLength)
{
    std::vector<std::uint8_t> bytes{0x00, 0x09, 0x0f, 0xf0, 0x0f, 0xf0, 0x0f, 0xf0, 0x0f, 0xf0, 0x00, 0x00, 0x01};
    for (const auto &f : {field('a', design), field('b', part), field('c', "2024/05/06"), field('d', "07:08:09")})
        bytes.insert(bytes.end(), f.begin(), f.end());
    bytes.push_back('e');
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(declaredLength >> shift));
    for (std::uint32_t i = 0; i < dataLength; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i * 7));
    return bytes;
}

std::string refusal(const std::vector<std::uint8_t> &bytes)
{
    try {
        parseBitFile(bytes);
    } catch (const SimError &e) {
        return e.what();
    }
    return {};
}

void bitContainer(TestReport &t)
{
    const auto bytes = handMadeBit("top;UserID=0XFFFFFFFF;Version=2020.2", "7a35tcsg324", 300, 300);
    const BitFile bit = parseBitFile(bytes);
    t.check(bit.part == "7a35tcsg324", "field b read", bit.part);
    t.check(bit.designName() == "top", "design name stops at ';'", bit.designName());
    t.check(bit.date == "2024/05/06" && bit.time == "07:08:09", "date and time read");
    t.check(bit.data.size() == 300 && bit.data[299] == static_cast<std::uint8_t>(299 * 7), "data read whole");

    // Every cut short of the full file is refused, never read past its end.
    int refusedCuts = 0;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::string why = refusal(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
        const bool expected = cut < 13 ? why.find("not a Xilinx .bit") != std::string::npos
                                       : why.find("truncated") != std::string::npos;
        refusedCuts += expected ? 1 : 0;
        if (!expected)
            t.check(false, "cut at " + std::to_string(cut) + " refused as truncated/not a .bit", why);
    }
    t.check(refusedCuts == static_cast<int>(bytes.size()), "all truncations refused");

    t.check(refusal(handMadeBit("top", "xc7a35t", 100, 5000)).find("truncated") != std::string::npos,
            "data length beyond the end of the file is truncation");
    auto badMagic = bytes;
    badMagic[5] ^= 0x01;
    t.check(refusal(badMagic).find("not a Xilinx .bit") != std::string::npos, "header with one bit wrong refused");
    auto badKey = bytes;
    badKey[13] = 'z';
    t.check(!refusal(badKey).empty(), "unknown field key refused");
    t.check(refusal(handMadeBit("top", "xc7a35t", 0, 0)).find("no configuration data") != std::string::npos,
            "empty configuration data refused");
    t.check(!refusal(std::vector<std::uint8_t>(1000, 0xff)).empty(), "erased bytes refused");

    BitFile round;
    round.design = "d";
    round.part = "xc6slx9";
    round.data = {1, 2, 3};
    const BitFile back = parseBitFile(serializeBitFile(round));
    t.check(back.part == round.part && back.design == round.design && back.data == round.data,
            "serialized container reads back");
}

void partMatching(TestReport &t, const std::vector<std::string> &catalogue)
{
    struct Case {
        const char *board;
        const char *bit;
        bool match;
    };
    const Case cases[] = {
        {"xc7a35t", "xc7a35t", true},          {"xc7a35t", "7a35tcsg324", true},
        {"xc7a35t", "XC7A35T", true},          {"xc7a35t", "xc7a35tftg256", true},
        {"xc7k325t", "7k325tffg900", true},    {"xc6slx9", "6slx9tqg144", true},
        {"xc3s500e", "3s500efg320", true},     {"xc7s25", "7s25csga324", true},
        {"xc7k325t-debug", "xc7k325t-debug", true},
        {"xc7k325t", "xc7k325t-debug", false}, {"xc7k325t-debug", "xc7k325t", false},
        {"xc7k325t", "7k325t-debugffg900", false},
        {"xc7a35t", "xc7a35", false},          {"xc7a35t", "7a35csg324", false},
        {"xc7a35", "7a35tcsg324", false},      {"xc3s1400a", "3s1400anfgg676", false},
        {"xc6slx25", "6slx25tcsg324", false},  {"xc7a35t", "xc7a35t-1", false},
        {"xc7a35t", "7a35tcsg", false},        {"xc7a35t", "7a35t324", false},
        {"xc7a35t", "", false},
    };
    for (const Case &c : cases) {
        t.check(bitPartMatches(c.board, c.bit) == c.match,
                std::string("board ") + c.board + " vs .bit part \"" + c.bit + "\" should " + (c.match ? "" : "not ") +
                    "match");
    }
    // No catalogue part accepts a file made for another one.
    for (const std::string &board : catalogue) {
        for (const std::string &other : catalogue) {
            if (bitPartMatches(board, other) != (board == other))
                t.check(false, board + " vs " + other);
        }
        t.check(bitPartMatches(board, board.substr(2) + "ffg900"), board + " accepts the Xilinx form");
    }
}

void fpgaStateRecord(TestReport &t)
{
    const FpgaState state{{"source", "jtag"}, {"file", "C:\\dir\\two\nlines=x"}, {"bytes", "12"}};
    const std::string text = formatFpgaState(state);
    t.check(std::count(text.begin(), text.end(), '\n') == 3, "one line per entry even with a line feed", text);
    const FpgaState back = parseFpgaState(text);
    t.check(back == state, "escaped values read back unchanged", text);
    t.check(fpgaStateValue(back, "bytes") == "12" && fpgaStateValue(back, "none").empty(), "lookup by key");
}

void progressSteps(TestReport &t)
{
    for (const std::uint32_t size : {1u, 4095u, 4096u, 4097u, 1u << 20, (1u << 20) + 17, 16u << 20}) {
        const std::uint32_t step = progressStep(size);
        t.check(step >= 4096 && step % 4096 == 0, "step of " + std::to_string(size) + " is whole 4 KiB");
        t.check((size + step - 1) / step <= 257, "about 256 reports at most for " + std::to_string(size));
    }
    t.check(progressStep(1u << 20) == 4096, "1 MiB reports every 4 KiB");
}

void simbitFiles(TestReport &t, const SimPaths &paths)
{
    ScratchDir dir;
    makeBin(paths, dir / "a.bin", 5000, 7);
    makeBin(paths, dir / "b.bin", 5000, 7);
    makeBin(paths, dir / "c.bin", 5000, 8);
    const auto a = readBytes(dir / "a.bin");
    t.check(a.size() == 5000, "bin has the asked size");
    t.check(a == readBytes(dir / "b.bin"), "same seed, same bytes");
    t.check(a != readBytes(dir / "c.bin"), "other seed, other bytes");
    t.check(std::count(a.begin(), a.end(), 0xff) < 100, "bin is not erased-looking");
    makeBin(paths, dir / "one.bin", 1, 0);
    t.check(readBytes(dir / "one.bin").size() == 1 && readBytes(dir / "one.bin")[0] != 0xff,
            "a one-byte image is not 0xFF");

    makeBit(paths, "xc7k325t-debug", dir / "bscan_spi_x.bit", 777);
    const BitFile proxy = parseBitFile(readBytes(dir / "bscan_spi_x.bit"));
    t.check(proxy.part == "xc7k325t-debug" && proxy.data.size() == 777, "bit holds the part and size");
    t.check(proxy.designName() == "bscan_spi_x", "design defaults to the file name", proxy.design);
    makeBit(paths, "xc3s500e", dir / "d.bit", 64, "blinky");
    t.check(parseBitFile(readBytes(dir / "d.bit")).designName() == "blinky", "--design sets field a");

    RunOptions noSize;
    noSize.args = {"bin", dir / "x.bin"};
    t.check(runProgram(paths.simbit, noSize).exitCode == 2, "bin without --size is a usage error");
    RunOptions unknown;
    unknown.args = {"bit", "xc7a35t", dir / "x.bit", "--colour", "red"};
    t.check(runProgram(paths.simbit, unknown).exitCode == 2, "unknown option is a usage error");
    t.check(!exists(dir / "x.bit") && !exists(dir / "x.bin"), "nothing written on usage errors");
}

}  // namespace

int main(int argc, char **argv)
{
    const SimPaths paths = SimPaths::fromArgs(argc, argv);
    const std::vector<std::string> catalogue(argv + 4, argv + argc);
    TestReport t("openocd_formats");
    t.check(catalogue.size() == feldmoor::kPartCount, "catalogue passed in", std::to_string(catalogue.size()));
    bitContainer(t);
    partMatching(t, catalogue);
    fpgaStateRecord(t);
    progressSteps(t);
    simbitFiles(t, paths);
    return t.finish();
}
