#include "sim_harness.h"

#include "download/commandcomposition.h"
#include "download/outputchunk.h"
#include "download/tclquote.h"

#include "fpga_state.h"
#include "native_file.h"
#include "platform/qb562/simbus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <zlib.h>

namespace fs = std::filesystem;

SimPaths SimPaths::fromArgs(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <openocd.exe> <simbit> <proxy dir>\n", argc > 0 ? argv[0] : "test");
        std::exit(2);
    }
    // Under Wine the build's Linux paths become Z:/... here.
    const auto absolute = [](const char *path) { return fs::absolute(fs::u8path(path)).generic_u8string(); };
    return SimPaths{absolute(argv[1]), absolute(argv[2]), absolute(argv[3])};
}

std::string SimPaths::proxyFor(const std::string &part) const
{
    return proxyBitstreamPath(QString::fromStdString(appDir), QString::fromStdString(part)).toStdString();
}

void removeTree(const std::string &path)
{
    std::error_code ignored;
    fs::remove_all(fs::u8path(path), ignored);
}

void unplug(const std::string &adapterDir)
{
    const std::string pulled = adapterDir + ".unplugged";
    std::string why;
    if (!replaceFile(adapterDir, pulled, why))
        throw std::runtime_error("can't unplug " + adapterDir + ": " + why);
    removeTree(pulled);
}

void makeDir(const std::string &path)
{
    std::error_code ignored;
    fs::create_directory(fs::u8path(path), ignored);
}

SimBoard::SimBoard(const std::string &part, unsigned index) : index_(index)
{
    makeDir(dir());
    writeText(file("part"), part + "\n");
}

std::string SimBoard::dir() const
{
    return bus_.path() + '/' + qb562::adapterDirName(index_);
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
    for (const std::string &entry : currentEnvironment()) {
        if (entry.compare(0, 6, "QB562_") != 0)
            envText.push_back(entry);
    }
    for (const auto &[name, value] : options.env) {
        if (value)
            envText.push_back(name + "=" + *value);
    }

    ChildProcess child;
    std::string problem;
    RunResult result;
    result.started = std::chrono::steady_clock::now();
    const auto started = result.started;
    if (!child.start(program, options.args, envText, options.workDir, problem)) {
        result.chunks.push_back(problem);
        return result;
    }

    const auto deadline = started + options.timeout;
    bool watching = static_cast<bool>(options.onChunk);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 && !result.timedOut) {
            result.timedOut = true;
            child.kill();
        }
        std::string chunk;
        ReadTime when;
        const auto status = child.read(chunk, when, result.timedOut ? std::chrono::milliseconds(1000) : left);
        if (status == ChildProcess::ReadStatus::TimedOut)
            continue;
        if (status == ChildProcess::ReadStatus::Ended)
            break;
        result.chunks.push_back(std::move(chunk));
        result.readTimes.push_back(when);
        if (watching)
            watching = options.onChunk(result.chunks.back(), child);
    }
    const ChildProcess::Exit exit = child.wait();
    result.elapsed = std::chrono::steady_clock::now() - started;
    result.exitCode = exit.code;
    result.signal = exit.signal;
    result.killed = exit.killed;
    return result;
}

namespace {

std::vector<std::string> windowArgs(const std::string &part, FileKind kind, const std::string &file,
                                    const std::string &appDir, long khz)
{
    DownloadRequest request;
    request.partName = QString::fromStdString(part);
    request.clockText = QString::number(khz * 1000);
    request.kind = kind;
    request.filePath = QString::fromStdString(file);
    request.applicationDir = QString::fromStdString(appDir);
    std::vector<std::string> args;
    for (const QString &arg : composeDownloadCommand(request).arguments)
        args.push_back(arg.toStdString());
    return args;
}

}  // namespace

std::vector<std::string> bitRunArgs(const std::string &part, const std::string &file, long khz)
{
    return windowArgs(part, FileKind::Bit, file, {}, khz);
}

std::vector<std::string> binRunArgs(const std::string &part, const std::string &appDir, const std::string &file,
                                    long khz)
{
    return windowArgs(part, FileKind::Bin, file, appDir, khz);
}

std::vector<std::string> unquotedBitRunArgs(const std::string &part, const std::string &file)
{
    const std::string quoted = tclQuoteWord(QString::fromStdString(file)).toStdString();
    std::vector<std::string> args = bitRunArgs(part, file);
    for (std::string &arg : args) {
        if (arg.size() > quoted.size() && arg.compare(arg.size() - quoted.size(), quoted.size(), quoted) == 0)
            arg.replace(arg.size() - quoted.size(), quoted.size(), file);
    }
    return args;
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

void makeBin(const SimPaths &paths, const std::string &out, std::size_t size, unsigned seed, const std::string &part)
{
    std::vector<std::string> args{"bin", out, "--size", std::to_string(size), "--seed", std::to_string(seed)};
    if (!part.empty()) {
        args.emplace_back("--part");
        args.push_back(part);
    }
    runSimbit(paths, args);
}

std::vector<std::uint8_t> readBytes(const std::string &path)
{
    NativeFile file;
    if (!file.open(path, NativeFile::Mode::Read))
        return {};
    const long long size = file.size();
    std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
    if (!file.readAt(0, bytes.data(), bytes.size()))
        return {};
    return bytes;
}

void writeBytes(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    NativeFile file;
    if (file.open(path, NativeFile::Mode::Create))
        file.writeAll(bytes.data(), bytes.size());
}

void writeText(const std::string &path, const std::string &text)
{
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool exists(const std::string &path)
{
    return pathKind(path) != PathKind::Missing;
}

std::map<std::string, std::string> fpgaState(const std::string &path)
{
    const auto bytes = readBytes(path);
    const std::string text(bytes.begin(), bytes.end());
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
    return isEraseRestartChunk(QByteArray::fromStdString(chunk));
}

ProgressCheck checkProgress(const RunResult &run, std::uint32_t fileSize)
{
    ProgressCheck check;
    const Separated separated = separateChunks(run);
    check.problems = separated.problems;
    for (const std::string &chunk : separated.chunks) {
        const QByteArray bytes = QByteArray::fromStdString(chunk);
        if (!isProgressChunk(bytes)) {
            if (chunk.find('\r') != std::string::npos && !isShortSectorChunk(chunk))
                check.problems.push_back("CR outside a progress chunk: " + chunk);
            continue;
        }
        const bool hexDigits = chunk.size() >= 10 && chunk.find_first_not_of("0123456789abcdefABCDEF", 2) == 10;
        if (chunk.size() != 12 || !hexDigits || chunk.compare(10, 2, "\r\n") != 0) {
            check.problems.push_back("malformed progress chunk (" + std::to_string(chunk.size()) + " bytes): " + chunk);
            continue;
        }
        const auto value = static_cast<std::uint32_t>(progressBytes(bytes));
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
