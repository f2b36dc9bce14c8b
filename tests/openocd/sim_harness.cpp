#include "sim_harness.h"

#include "fpga_state.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

extern char **environ;

SimPaths SimPaths::fromArgs(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <openocd.exe> <simbit> <proxy dir>\n", argc > 0 ? argv[0] : "test");
        std::exit(2);
    }
    return SimPaths{argv[1], argv[2], argv[3]};
}

TempDir::TempDir()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/feldmoor-openocd-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    path_ = pattern;
}

TempDir::~TempDir()
{
    removeTree(path_);
}

void removeTree(const std::string &path)
{
    ::nftw(
        path.c_str(),
        [](const char *entry, const struct stat *, int, struct FTW *) {
            ::remove(entry);
            return 0;
        },
        16,
        FTW_DEPTH | FTW_PHYS);
}

SimBoard::SimBoard(const std::string &part, unsigned index) : index_(index)
{
    ::mkdir(dir().c_str(), 0755);
    writeText(file("part"), part + "\n");
}

std::string SimBoard::dir() const
{
    return bus_.path() + "/adapter" + std::to_string(index_);
}

std::string RunResult::output() const
{
    std::string all;
    for (const std::string &chunk : chunks)
        all += chunk;
    return all;
}

std::string RunResult::describe() const
{
    std::string text = "exit code " + std::to_string(exitCode) + ", signal " + std::to_string(signal) +
                       (timedOut ? ", timed out" : "") + ", output:\n";
    const std::string all = output();
    text += all.size() > 4000 ? all.substr(0, 2000) + "\n[...]\n" + all.substr(all.size() - 2000) : all;
    return text;
}

std::map<std::string, std::optional<std::string>> simEnv(const std::string &bus)
{
    return {{"QB562_SIM_DIR", bus}, {"QB562_SIM_TIME_SCALE", "0"}};
}

RunResult runProgram(const std::string &program, const RunOptions &options)
{
    std::vector<std::string> envText;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QB562_", 6) != 0)
            envText.emplace_back(*e);
    }
    for (const auto &[name, value] : options.env) {
        if (value)
            envText.push_back(name + "=" + *value);
    }
    std::vector<char *> envp;
    for (std::string &entry : envText)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText{program};
    argText.insert(argText.end(), options.args.begin(), options.args.end());
    std::vector<char *> argv;
    for (std::string &arg : argText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    if (!options.workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workDir.c_str());
    pid_t pid = 0;
    RunResult result;
    result.started = std::chrono::steady_clock::now();
    const auto started = result.started;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        result.chunks.push_back("spawn failed: " + std::string(std::strerror(spawned)));
        return result;
    }

    const auto deadline = started + options.timeout;
    bool watching = static_cast<bool>(options.onChunk);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 && !result.timedOut) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
        }
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = ::poll(&pfd, 1, result.timedOut ? 1000 : static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            continue;
        const auto begun = std::chrono::steady_clock::now();
        const ssize_t n = ::read(fds[0], buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.chunks.emplace_back(buffer.data(), static_cast<std::size_t>(n));
        result.readTimes.push_back({begun, std::chrono::steady_clock::now()});
        if (watching)
            watching = options.onChunk(result.chunks.back(), pid);
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.elapsed = std::chrono::steady_clock::now() - started;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

Family familyOf(const std::string &part)
{
    const std::string prefix = part.substr(0, 3);
    if (prefix == "xc6" || prefix == "xc3")
        return {"xilinx-xc6s.cfg", prefix};
    if (prefix == "xc7")
        return {"xilinx-xc7.cfg", prefix};
    return {"", prefix};
}

std::vector<std::string> bitRunArgs(const std::string &part, const std::string &file, long khz)
{
    return {"-c", "adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;",
            "-c", "adapter speed " + std::to_string(khz) + ";",
            "-c", "source [find cpld/" + tclEscape(familyOf(part).script) + "];",
            "-c", "source [find cpld/jtagspi.cfg];",
            "-c", "init; pld load 0 " + file,
            "-c", "exit"};
}

std::vector<std::string> binRunArgs(const std::string &part, const std::string &proxy, const std::string &file,
                                    long khz)
{
    const std::string prefix = tclEscape(familyOf(part).prefix);
    return {"-c", "adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;",
            "-c", "adapter speed " + std::to_string(khz) + ";",
            "-c", "source [find cpld/" + tclEscape(familyOf(part).script) + "];",
            "-c", "source [find cpld/jtagspi.cfg];",
            "-c", "init; jtagspi_init 0 " + proxy + ";",
            "-c", "jtagspi_program " + file + " 0x0;",
            "-c", prefix + "_program " + prefix + ".tap;",
            "-c", "exit"};
}

std::string tclEscape(const std::string &value)
{
    std::string out;
    for (const char c : value) {
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (std::strchr(" \t\\[]{}$\";", c))
            out += '\\';
        out += c;
    }
    return out;
}

namespace {

void runSimbit(const SimPaths &paths, const std::vector<std::string> &args)
{
    RunOptions options;
    options.args = args;
    const RunResult run = runProgram(paths.simbit, options);
    if (run.exitCode != 0)
        throw std::runtime_error("simbit failed: " + run.describe());
}

}  // namespace

void makeBit(const SimPaths &paths, const std::string &part, const std::string &out, std::size_t size,
             const std::string &design)
{
    std::vector<std::string> args{"bit", part, out, "--size", std::to_string(size)};
    if (!design.empty()) {
        args.emplace_back("--design");
        args.push_back(design);
    }
    runSimbit(paths, args);
}

void makeBin(const SimPaths &paths, const std::string &out, std::size_t size, unsigned seed)
{
    runSimbit(paths, {"bin", out, "--size", std::to_string(size), "--seed", std::to_string(seed)});
}

std::vector<std::uint8_t> readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeBytes(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool exists(const std::string &path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

std::map<std::string, std::string> fpgaState(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, std::string> state;
    for (const auto &[key, value] : parseFpgaState(text))
        state[key] = value;
    return state;
}

std::string crc32Hex(const std::vector<std::uint8_t> &bytes, std::size_t length)
{
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(length));
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", crc);
    return text;
}

std::vector<std::string> linesOf(const std::string &chunk)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < chunk.size()) {
        const std::size_t end = chunk.find('\n', from);
        const std::size_t to = end == std::string::npos ? chunk.size() : end + 1;
        lines.push_back(chunk.substr(from, to - from));
        from = to;
    }
    return lines;
}

Separated separateChunks(const RunResult &run, std::chrono::microseconds gap)
{
    Separated separated;
    for (std::size_t i = 0; i < run.chunks.size(); ++i) {
        const std::string &chunk = run.chunks[i];
        const std::vector<std::string> lines = linesOf(chunk);
        if (lines.size() < 2) {
            separated.chunks.push_back(chunk);
            continue;
        }
        const auto since = i == 0 ? run.started : run.readTimes[i - 1].begun;
        const auto away = i < run.readTimes.size() ? run.readTimes[i].returned - since : gap;
        const double awayMs = std::chrono::duration<double, std::milli>(away).count();
        char text[160];
        std::snprintf(text, sizeof text, "%zu lines in read %zu of %zu; the reader had been away %.2f ms: ",
                      lines.size(), i + 1, run.chunks.size(), awayMs);
        if (away >= gap) {
            std::printf("note: %s(tolerated: the reader was late)\n", text);
            ++separated.lateReads;
            separated.chunks.insert(separated.chunks.end(), lines.begin(), lines.end());
        } else {
            separated.problems.push_back(text + chunk);
            separated.chunks.push_back(chunk);
        }
    }
    return separated;
}

bool isShortSectorChunk(const std::string &chunk)
{
    const auto at = chunk.find("sector");
    return chunk.size() <= 27 && at != std::string::npos && at > 0;
}

ProgressCheck checkProgress(const RunResult &run, std::uint32_t fileSize)
{
    ProgressCheck check;
    const Separated separated = separateChunks(run);
    check.problems = separated.problems;
    for (const std::string &chunk : separated.chunks) {
        if (chunk.compare(0, 2, "0x") != 0) {
            if (chunk.find('\r') != std::string::npos && !isShortSectorChunk(chunk))
                check.problems.push_back("CR outside a progress chunk: " + chunk);
            continue;
        }
        const bool hexDigits = chunk.size() >= 10 && chunk.find_first_not_of("0123456789abcdefABCDEF", 2) == 10;
        if (chunk.size() != 12 || !hexDigits || chunk.compare(10, 2, "\r\n") != 0) {
            check.problems.push_back("malformed progress chunk (" + std::to_string(chunk.size()) + " bytes): " + chunk);
            continue;
        }
        const auto value = static_cast<std::uint32_t>(std::stoul(chunk.substr(2, 8), nullptr, 16));
        if (!check.values.empty() && value <= check.values.back())
            check.problems.push_back("progress went from " + std::to_string(check.values.back()) + " to " +
                                     std::to_string(value));
        check.values.push_back(value);
    }
    if (check.values.empty()) {
        check.problems.push_back("no progress chunk");
        return check;
    }
    if (check.values.back() != fileSize)
        check.problems.push_back("last progress " + std::to_string(check.values.back()) + " is not the file size " +
                                 std::to_string(fileSize));
    const std::size_t allowed = (fileSize + 4095) / 4096;
    if (check.values.size() > allowed)
        check.problems.push_back(std::to_string(check.values.size()) + " progress chunks for " +
                                 std::to_string(fileSize) + " bytes: more than one per 4 KiB");
    for (std::size_t i = 1; i + 1 < check.values.size(); ++i) {
        if (check.values[i] - check.values[i - 1] < 4096)
            check.problems.push_back("progress chunks less than 4 KiB apart at " + std::to_string(check.values[i]));
    }
    return check;
}

int shortSectorChunks(const RunResult &run)
{
    const std::vector<std::string> chunks = separateChunks(run).chunks;
    return static_cast<int>(std::count_if(chunks.begin(), chunks.end(), isShortSectorChunk));
}
