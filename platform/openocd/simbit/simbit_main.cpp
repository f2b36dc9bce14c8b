// simbit: makes the files a simulated run needs, without the vendor tools.
//   simbit bit <part> <out.bit> [--size BYTES] [--design NAME]
//   simbit bin <out.bin> --size BYTES [--seed N] [--part PART]

#include "bit_file.h"
#include "feldmoor/projectfacts.h"
#include "generated_content.h"
#include "native_file.h"
#include "native_process.h"
#include "pseudo_random.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kDefaultBitSize = 64 * 1024;
constexpr unsigned long long kLargestFile = 1ULL << 30;

int usage(const std::string &problem)
{
    std::fprintf(stderr,
                 "simbit: %s\n"
                 "usage: simbit bit <part> <out.bit> [--size BYTES] [--design NAME]\n"
                 "       simbit bin <out.bin> --size BYTES [--seed N] [--part PART]\n",
                 problem.c_str());
    return 2;
}

bool parseNumber(const std::string &text, unsigned long long &value)
{
    if (text.empty() || text[0] == '-')
        return false;
    char *end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0';
}

// Options after the positional arguments: "--name value" pairs.
bool parseOptions(int argc, char **argv, int first, std::map<std::string, std::string> &options, std::string &problem)
{
    for (int i = first; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name != "--size" && name != "--design" && name != "--seed" && name != "--part") {
            problem = "unknown argument " + name;
            return false;
        }
        if (i + 1 >= argc) {
            problem = name + " needs a value";
            return false;
        }
        options[name] = argv[i + 1];
    }
    return true;
}

std::string stem(const std::string &path)
{
    const auto separator = std::find_if(path.rbegin(), path.rend(), isPathSeparator);
    std::string name(separator.base(), path.end());
    return name.substr(0, name.rfind('.'));
}

// The build time, or SOURCE_DATE_EPOCH for reproducible builds.
void stamp(std::string &date, std::string &time)
{
    std::time_t now = std::time(nullptr);
    if (const char *epoch = std::getenv("SOURCE_DATE_EPOCH"))
        now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    // One thread only, so the shared result of gmtime is safe here.
    const std::tm *converted = std::gmtime(&now);
    const std::tm utc = converted ? *converted : std::tm{};
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d", &utc);
    date = text;
    std::strftime(text, sizeof text, "%H:%M:%S", &utc);
    time = text;
}

int writeFile(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    NativeFile out;
    if (!out.open(path, NativeFile::Mode::Create) || !out.writeAll(bytes.data(), bytes.size())) {
        std::fprintf(stderr, "simbit: can't write %s: %s\n", path.c_str(), out.errorText().c_str());
        return 1;
    }
    return 0;
}

int makeBit(int argc, char **argv)
{
    if (argc < 4)
        return usage("bit needs a part and an output file");
    std::map<std::string, std::string> options;
    std::string problem;
    if (!parseOptions(argc, argv, 4, options, problem) || options.count("--seed") || options.count("--part"))
        return usage(problem.empty() ? "--seed and --part are for bin files" : problem);
    unsigned long long size = kDefaultBitSize;
    if (options.count("--size") && (!parseNumber(options["--size"], size) || size == 0 || size > kLargestFile))
        return usage("--size must be a number of bytes from 1 to 1 GiB");

    BitFile bit;
    bit.part = argv[2];
    const std::string out = argv[3];
    // Without --design the file name says what it is, so a proxy written as
    // bscan_spi_<part>.bit is a bscan_spi design.
    bit.design = options.count("--design") ? options["--design"] : stem(out);
    if (bit.part.empty() || bit.design.empty())
        return usage("the part and the design name must not be empty");
    stamp(bit.date, bit.time);
    bit.data = configurationData(PseudoRandom::seedFrom(bit.part + "/" + bit.design), size);
    try {
        return writeFile(out, serializeBitFile(bit));
    } catch (const std::exception &e) {
        return usage(e.what());
    }
}

// How a 7-series configuration image starts: dummy words, the bus width
// detection pattern, the sync word, then a type-1 write of the device's
// IDCODE, which the FPGA checks against its own before configuring.
std::vector<std::uint8_t> idcodePacket(std::uint32_t idcode)
{
    const std::uint32_t words[] = {0xffffffffu, 0xffffffffu, 0xffffffffu, 0xffffffffu, 0x000000bbu, 0x11220044u,
                                   0xffffffffu, 0xffffffffu, 0xaa995566u, 0x20000000u, 0x30018001u, idcode,
                                   0x20000000u};
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t word : words) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    }
    return bytes;
}

int makeBin(int argc, char **argv)
{
    if (argc < 3)
        return usage("bin needs an output file");
    std::map<std::string, std::string> options;
    std::string problem;
    if (!parseOptions(argc, argv, 3, options, problem) || options.count("--design"))
        return usage(problem.empty() ? "--design is for bit files" : problem);
    unsigned long long size = 0;
    if (!options.count("--size") || !parseNumber(options["--size"], size) || size == 0 || size > kLargestFile)
        return usage("bin needs --size, a number of bytes from 1 to 1 GiB");
    unsigned long long seed = 1;
    if (options.count("--seed") && !parseNumber(options["--seed"], seed))
        return usage("--seed must be a non-negative number");
    std::vector<std::uint8_t> image = rawImage(seed, size);
    if (options.count("--part")) {
        const std::string part = options["--part"];
        const feldmoor::PartFacts *facts = feldmoor::findPart(part.c_str());
        // Spartan-6 and Spartan-3 images use 16-bit packets of another layout.
        if (!facts || (part.compare(0, 3, "xc7") != 0 && part.compare(0, 4, "xcku") != 0))
            return usage("--part needs a 7-series or UltraScale part of the catalogue, not " + part);
        const std::vector<std::uint8_t> packet = idcodePacket(facts->idcode);
        if (packet.size() > image.size())
            return usage("--part needs --size of at least " + std::to_string(packet.size()) + " bytes");
        std::copy(packet.begin(), packet.end(), image.begin());
    }
    return writeFile(argv[2], image);
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> arguments = programArguments(argc, argv);
    std::vector<char *> args;
    for (std::string &argument : arguments)
        args.push_back(argument.data());
    const int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    const std::string kind = count > 1 ? args[1] : "";
    if (kind == "bit")
        return makeBit(count, args.data());
    if (kind == "bin")
        return makeBin(count, args.data());
    return usage(kind.empty() ? "nothing to do" : "unknown kind " + kind);
}
