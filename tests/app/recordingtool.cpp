// A programming tool that records what it is given and plays back a plan, so
// the window's handling of output and endings can be driven exactly. It is
// installed as openocd.exe where the window looks for the real one.
//
// FAKE_OPENOCD_ARGS  file that receives the arguments, each followed by NUL
// FAKE_OPENOCD_RUNS  file that gets one line appended per start
// A run the window makes to check around the job's own run (the status read
// after a configuration, the chain probe before a flash write) is answered
// as a board whose FPGA took its configuration would answer it (the probe:
// a chain it cannot read), and is neither recorded nor counted nor given
// the plan, so that those describe the job's own run.
// FAKE_OPENOCD_CHECKS       file that gets one line appended per check run
// FAKE_OPENOCD_CHECK_SLEEP  seconds a check run waits before it answers
//
// FAKE_OPENOCD_PLAN  file of steps, one per line:
//   out FORMAT        FORMAT with printf's escapes (\n, \r, \t, \\, \xHH,
//                     \NNN) and %%, in one write
//   sleep SECONDS     pause
//   once MARK FORMAT  like out, but only while file MARK does not exist; creates it
//   touch FILE        create FILE (tells a test that output has been written)
//   hang              wait until killed
//   hangonce MARK     like hang, but only while file MARK does not exist; creates it
//   oncehang MARK FORMAT  like once, then hang: a later run finds MARK made
//                     before anything was written, however soon it is killed
//   crash             end as a crash does
//   exit CODE         end with CODE

#include "recordingtool.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'             ? c - 'a' + 10
        : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                           : 99;
    return value < base ? value : -1;
}

std::string unescape(const std::string &format)
{
    std::string bytes;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            bytes += '%';
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 == format.size()) {
            bytes += c;
            continue;
        }
        const char e = format[++i];
        if (e == 'n') {
            bytes += '\n';
        } else if (e == 'r') {
            bytes += '\r';
        } else if (e == 't') {
            bytes += '\t';
        } else if (e == 'x' || digitValue(e, 8) >= 0) {
            const int base = e == 'x' ? 16 : 8;
            const std::size_t maxDigits = e == 'x' ? 2 : 3;
            const std::size_t start = e == 'x' ? i + 1 : i;
            int value = 0;
            std::size_t used = 0;
            while (used < maxDigits && start + used < format.size()
                   && digitValue(format[start + used], base) >= 0) {
                value = value * base + digitValue(format[start + used], base);
                ++used;
            }
            bytes += static_cast<char>(value);
            i = start + used - 1;
        } else {
            bytes += e;
        }
    }
    return bytes;
}

void write(const std::string &format)
{
    const std::string bytes = unescape(format);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

// True the first time for `mark`: the mark is made then.
bool firstTime(const std::string &mark)
{
    if (std::filesystem::exists(mark))
        return false;
    std::ofstream{mark};
    return true;
}

[[noreturn]] void hang()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

const char *setting(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

bool holds(const std::vector<std::string> &arguments, const std::string &text)
{
    for (const std::string &argument : arguments)
        if (argument.find(text) != std::string::npos)
            return true;
    return false;
}

}

int main(int argc, char **argv)
{
    useBinaryOutput();
    const std::vector<std::string> arguments = receivedArguments(argc, argv);
    const bool check = holds(arguments, "virtex2 read_stat")
        || (holds(arguments, "init") && !holds(arguments, "pld load") && !holds(arguments, "jtagspi_program"));
    if (check) {
        if (const char *path = setting("FAKE_OPENOCD_CHECKS"))
            std::ofstream(path, std::ios::app) << "check\n";
        if (const char *seconds = setting("FAKE_OPENOCD_CHECK_SLEEP"))
            std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(seconds)));
    }
    if (holds(arguments, "virtex2 read_stat")) {
        write("virtex2 status register: 0x401079fc\\n");
        return 0;
    }
    if (holds(arguments, "init") && !holds(arguments, "pld load") && !holds(arguments, "jtagspi_program"))
        return 0;
    if (const char *path = setting("FAKE_OPENOCD_ARGS")) {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        for (const std::string &argument : arguments)
            file << argument << '\0';
    }
    if (const char *path = setting("FAKE_OPENOCD_RUNS"))
        std::ofstream(path, std::ios::app) << "started\n";
    const char *planPath = setting("FAKE_OPENOCD_PLAN");
    if (!planPath)
        return 0;
    std::ifstream plan(planPath, std::ios::binary);
    std::string line;
    while (std::getline(plan, line)) {
        const std::size_t blank = line.find(' ');
        const std::string verb = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (verb == "out") {
            write(rest);
        } else if (verb == "sleep") {
            std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(rest.c_str())));
        } else if (verb == "once") {
            const std::size_t split = rest.find(' ');
            if (firstTime(rest.substr(0, split)))
                write(split == std::string::npos ? std::string() : rest.substr(split + 1));
        } else if (verb == "oncehang") {
            const std::size_t split = rest.find(' ');
            if (firstTime(rest.substr(0, split))) {
                write(split == std::string::npos ? std::string() : rest.substr(split + 1));
                hang();
            }
        } else if (verb == "touch") {
            std::ofstream{rest};
        } else if (verb == "hang") {
            hang();
        } else if (verb == "hangonce") {
            if (firstTime(rest))
                hang();
        } else if (verb == "crash") {
            crash();
        } else if (verb == "exit") {
            return std::atoi(rest.c_str());
        }
    }
    return 0;
}
