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

// The catalogue's facts for a 7-series or UltraScale part named as in a
// .bit's field 'b' ("xc7a35t", or "7a35tcsg324" with a package); null for
// other families and unknown parts.
const feldmoor::PartFacts *sevenSeriesFacts(const std::string &name)
{
    const std::string part = name.compare(0, 2, "xc") == 0 ? name : "xc" + name;
    if (part.compare(0, 3, "xc7") != 0 && part.compare(0, 4, "xcku") != 0)
        return nullptr;
    const feldmoor::PartFacts *best = nullptr;
    for (const feldmoor::PartFacts &facts : feldmoor::kPartCatalogue) {
        const std::string candidate = facts.name;
        if (candidate.find('-') != std::string::npos || part.compare(0, candidate.size(), candidate) != 0)
            continue;
        if (!best || candidate.size() > std::string(best->name).size())
            best = &facts;
    }
    return best;
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
    const std::uint64_t seed = PseudoRandom::seedFrom(bit.part + "/" + bit.design);
    // A 7-series or UltraScale stream names its part and says where it ends,
    // as a configuration logic reads it; other families keep the plain form.
    const feldmoor::PartFacts *facts = sevenSeriesFacts(bit.part);
    const bool proxy = bit.design.find("bscan_spi") != std::string::npos;
    bit.data = facts ? sevenSeriesStream(seed, size, facts->idcode, proxy) : configurationData(seed, size);
    try {
        return writeFile(out, serializeBitFile(bit));
    } catch (const std::exception &e) {
        return usage(e.what());
    }
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
        if (!facts)
            return usage("--part needs a part of the catalogue, not " + part);
        // Spartan-6 and Spartan-3 images use 16-bit packets of another
        // layout, of which only the preamble and the sync word, which make
        // their FPGA start from it, are written; noise follows.
        const bool sevenSeries = part.compare(0, 3, "xc7") == 0 || part.compare(0, 4, "xcku") == 0;
        // Noise for the frames, but a stream an FPGA can judge: the IDCODE
        // packet after the sync word, START and DESYNC at the end.
        const std::size_t smallest = sevenSeries ? 52 : kConfigurationPreambleBytes;
        if (image.size() < smallest)
            return usage("--part " + part + " needs --size of at least " + std::to_string(smallest) + " bytes");
        image = sevenSeries ? sevenSeriesStream(seed, image.size(), facts->idcode, false)
                            : configurationData(seed, image.size());
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
