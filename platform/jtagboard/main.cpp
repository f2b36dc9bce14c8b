// jtagboard: a 7-series or Kintex UltraScale board with its SPI flash behind OpenOCD's
// remote_bitbang driver, for running our command lists on the real tool.
//   jtagboard BOARD_FOLDER [--port N] [--time-scale S]
// It listens on 127.0.0.1 (port 0: a free one), says
// "jtagboard: listening on 127.0.0.1:PORT" (with the fail-init fault:
// "jtagboard: refusing connections on 127.0.0.1:PORT (fail-init)"), serves one connection, then
// writes the flash and the FPGA's state back into the folder and reports
// what it was asked that it does not model.

#include "bitbang_server.h"
#include "board_folder.h"
#include "local_socket.h"
#include "modelled_parts.h"
#include "native_file.h"
#include "native_process.h"
#include "spi_nor.h"
#include "xc7_device.h"

#include "feldmoor/projectfacts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// How long a refusing board holds its port: the tool that tries it is
// started once the port is announced, and whoever started the board may end
// it as soon as the tool is done.
constexpr int kRefusingSeconds = 60;
// How long the client must be silent after its first TDO read before the
// connection is reset: it has then flushed its requests and waits for the
// answer.
constexpr int kQuietMs = 200;

int usage(const std::string &problem)
{
    std::fprintf(stderr, "jtagboard: %s\nusage: jtagboard BOARD_FOLDER [--port N] [--time-scale S]\n",
                 problem.c_str());
    return 2;
}

struct Options {
    std::string folder;
    unsigned port = 0;
    double timeScale = 1.0;
};

bool parseScale(const std::string &text, double &scale)
{
    char *end = nullptr;
    errno = 0;
    scale = std::strtod(text.c_str(), &end);
    return !text.empty() && errno == 0 && *end == '\0' && scale >= 0;
}

bool parseOptions(const std::vector<std::string> &args, Options &options, std::string &problem)
{
    const std::string scale = environmentVariable("QB562_SIM_TIME_SCALE");
    if (!scale.empty() && !parseScale(scale, options.timeScale)) {
        problem = "QB562_SIM_TIME_SCALE must be a number of at least 0";
        return false;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--port" || arg == "--time-scale") {
            if (i + 1 >= args.size()) {
                problem = arg + " needs a value";
                return false;
            }
            const std::string value = args[++i];
            if (arg == "--time-scale" && !parseScale(value, options.timeScale)) {
                problem = "--time-scale must be a number of at least 0";
                return false;
            }
            if (arg == "--port") {
                char *end = nullptr;
                const unsigned long port = std::strtoul(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || port > 65535) {
                    problem = "--port must be a TCP port number";
                    return false;
                }
                options.port = static_cast<unsigned>(port);
            }
        } else if (options.folder.empty() && arg.compare(0, 2, "--") != 0) {
            options.folder = arg;
        } else {
            problem = "unknown argument " + arg;
            return false;
        }
    }
    if (options.folder.empty()) {
        problem = "no board folder given";
        return false;
    }
    return true;
}

// What an earlier run (of either tool) left in `fpga`.
void restoreFpga(const BoardFolder &board, const std::string &part, Xc7Device &device)
{
    NativeFile in;
    if (!in.open(board.file("fpga"), NativeFile::Mode::Read))
        return;
    std::string text(static_cast<std::size_t>(std::max(0LL, in.size())), '\0');
    if (!text.empty() && !in.readAt(0, &text[0], text.size()))
        return;
    auto value = [&text](const std::string &key) {
        const std::string prefix = key + "=";
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            if (text.compare(at, prefix.size(), prefix) == 0)
                return text.substr(at + prefix.size(), end - at - prefix.size());
            at = end + 1;
        }
        return std::string();
    };
    const std::string source = value("source");
    if (value("part") != part)
        return;
    const bool proxy = value("design").find("bscan_spi") != std::string::npos;
    if (source == "jtag")
        device.restore(Xc7Device::Source::Jtag, proxy, false);
    else if (source == "flash")
        device.restore(Xc7Device::Source::Flash, proxy, false);
    else
        device.restore(Xc7Device::Source::None, false, !value("rejected").empty());
}

std::string fpgaText(const Xc7Device &device, const std::string &part)
{
    std::string text;
    switch (device.source()) {
    case Xc7Device::Source::Jtag: text = "source=jtag\n"; break;
    case Xc7Device::Source::Flash: text = "source=flash\n"; break;
    case Xc7Device::Source::None: text = "source=none\n"; break;
    }
    text += "part=" + part + "\n";
    if (device.proxy())
        text += "design=bscan_spi\n";
    if (device.idError())
        text += "rejected=idcode\n";
    if (device.source() != Xc7Device::Source::None)
        text += "bytes=" + std::to_string(device.configWords() * 4) + "\n";
    return text;
}

}  // namespace

int main(int argc, char **argv)
{
    Options options;
    std::string problem;
    if (!parseOptions(programArguments(argc, argv), options, problem))
        return usage(problem);

    const BoardFolder board{options.folder};
    const std::string part = board.part();
    // `none`: nothing on the chain, TDO pulled high.
    const bool emptyChain = part == "none";
    const feldmoor::PartFacts *facts = modelledPart(emptyChain ? feldmoor::kDefaultPart : part);
    if (!facts) {
        std::fprintf(stderr, "jtagboard: %s: only 7-series and Kintex UltraScale parts of the catalogue are modelled\n",
                     part.c_str());
        return 1;
    }

    NorTiming timing;
    timing.scale = options.timeScale;
    SpiNor flash(board.flash(SpiNor::kSize), timing);
    Xc7Device device(facts->idcode, flash);
    restoreFpga(board, part, device);
    if (pathKind(board.file("silent-reject")) != PathKind::Missing)
        device.armSilentReject();
    const TdoWiring wiring = emptyChain ? TdoWiring::StuckHigh : TdoWiring::Device;

    std::string error;
    unsigned port = 0;
    // The `fail-init` fault: the adapter can't be opened, as OpenOCD's
    // remote_bitbang driver sees it when its connection is refused. The port
    // is held, not listened on, until the tool has tried: a listener closed
    // after it was announced would let a quick tool in first, and 0.12 then
    // goes on past the reset connection and exits 0.
    if (pathKind(board.file("fail-init")) != PathKind::Missing) {
        const SocketHandle held = bindLocal(options.port, port, error);
        if (held == kNoSocket) {
            std::fprintf(stderr, "jtagboard: can't hold 127.0.0.1:%u: %s\n", options.port, error.c_str());
            return 1;
        }
        std::printf("jtagboard: refusing connections on 127.0.0.1:%u (fail-init)\n", port);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(kRefusingSeconds));
        closeSocket(held);
        return 0;
    }
    const SocketHandle listener = listenLocal(options.port, port, error);
    if (listener == kNoSocket) {
        std::fprintf(stderr, "jtagboard: can't listen on 127.0.0.1:%u: %s\n", options.port, error.c_str());
        return 1;
    }
    std::printf("jtagboard: listening on 127.0.0.1:%u\n", port);
    std::fflush(stdout);
    const SocketHandle client = acceptClient(listener, error);
    closeSocket(listener);
    if (client == kNoSocket) {
        std::fprintf(stderr, "jtagboard: accept failed: %s\n", error.c_str());
        return 1;
    }
    // The `lost-at-init` fault: the adapter opens, then stops answering at
    // init's first scan; 0.12 goes on past it and exits 0.
    if (pathKind(board.file("lost-at-init")) != PathKind::Missing) {
        const std::uint64_t requests = dropAtFirstRead(client, kQuietMs);
        std::printf("jtagboard: lost-at-init: the connection was reset at the first TDO read, after %llu requests\n",
                    static_cast<unsigned long long>(requests));
        std::fflush(stdout);
        return 0;
    }
    const ServeResult served = serveBitbang(client, device, wiring);
    device.finish();
    if (device.silentRejectTaken())
        removeFile(board.file("silent-reject"));

    int status = 0;
    if (flash.written() && !board.writeFlash(flash.contents(), error)) {
        std::fprintf(stderr, "jtagboard: %s\n", error.c_str());
        status = 1;
    }
    if (device.changed() && !board.writeFpga(fpgaText(device, part), error)) {
        std::fprintf(stderr, "jtagboard: %s\n", error.c_str());
        status = 1;
    }
    std::printf("jtagboard: %llu requests, %s; FPGA %s\n", static_cast<unsigned long long>(served.requests),
                served.quit ? "ended by Q" : "connection closed without Q", fpgaText(device, part).c_str());
    std::map<std::string, std::uint64_t> unmodelled = device.unmodelled();
    for (const auto &entry : served.unmodelled)
        unmodelled[entry.first] += entry.second;
    for (const auto &entry : unmodelled)
        std::printf("jtagboard: not modelled: %s (%llu times)\n", entry.first.c_str(),
                    static_cast<unsigned long long>(entry.second));
    std::fflush(stdout);
    return status;
}
