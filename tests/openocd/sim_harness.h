#ifndef FELDMOOR_OPENOCD_SIM_HARNESS_H
#define FELDMOOR_OPENOCD_SIM_HARNESS_H

#include "child_process.h"
#include "console.h"
#include "scratchdir.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Paths the test programs get on their command line from CTest.
struct SimPaths {
    std::string openocd;   // openocd.exe
    std::string simbit;
    std::string appDir;    // build/bin, where the window finds the proxies

    // Reads argv[1..3], made absolute with "/" separators; exits with a usage
    // message when they are missing.
    static SimPaths fromArgs(int argc, char **argv);
    std::string proxyFor(const std::string &part) const;
};

// A simulated bus with one board: <bus>/adapter<index> holding `part`.
class SimBoard {
public:
    explicit SimBoard(const std::string &part, unsigned index = 0);
    const std::string &bus() const { return bus_.path(); }
    std::string dir() const;
    std::string file(const std::string &name) const { return dir() + "/" + name; }

private:
    ScratchDir bus_;
    unsigned index_;
};

struct RunResult {
    int exitCode = -1;    // -1 when ended by a signal or killed
    int signal = 0;
    bool killed = false;  // ended by SIGKILL or TerminateProcess
    bool timedOut = false;
    std::vector<std::string> chunks;  // one entry per read(), as the window reads
    std::vector<ReadTime> readTimes;  // one entry per chunk
    std::chrono::steady_clock::time_point started;  // just before the spawn
    std::chrono::duration<double> elapsed{};

    std::string output() const;
    std::string describe() const;  // for failure messages
};

struct RunOptions {
    std::vector<std::string> args;
    std::map<std::string, std::optional<std::string>> env;  // nullopt: unset
    std::string workDir;  // empty: the test's own
    std::chrono::milliseconds timeout{60000};
    // Called after each chunk with the child; may kill it or change the
    // board. Returning false stops calling it.
    std::function<bool(const std::string &chunk, ChildProcess &child)> onChunk;
};

// Runs `program` with stdout and stderr merged into one pipe, as the window
// does. QB562_* variables of the test's own environment are not passed on.
RunResult runProgram(const std::string &program, const RunOptions &options);

// The environment of a simulated run on `bus` with no waiting.
std::map<std::string, std::optional<std::string>> simEnv(const std::string &bus);

// The window's argument lists for a part, composed by the window's own code.
// A BIN run takes its proxy from `appDir`/FPGABit, as the window does.
std::vector<std::string> bitRunArgs(const std::string &part, const std::string &file, long khz = 10000);
std::vector<std::string> binRunArgs(const std::string &part, const std::string &appDir, const std::string &file,
                                     long khz = 30000);
// A BIT run with `file` unquoted, as no window would send it: the stand-in
// must still refuse what Tcl would substitute.
std::vector<std::string> unquotedBitRunArgs(const std::string &part, const std::string &file);

void makeBit(const SimPaths &paths, const std::string &part, const std::string &out, std::size_t size,
             const std::string &design = {});
// With a part, a stream its FPGA starts from when it boots from the flash;
// without, noise it never would.
void makeBin(const SimPaths &paths, const std::string &out, std::size_t size, unsigned seed = 1,
             const std::string &part = {});

std::vector<std::uint8_t> readBytes(const std::string &path);
void writeBytes(const std::string &path, const std::vector<std::uint8_t> &bytes);
void writeText(const std::string &path, const std::string &text);
bool exists(const std::string &path);
void makeDir(const std::string &path);
void removeTree(const std::string &path);
// Pulls the adapter whose folder is `adapterDir`: the folder goes in one step,
// as a plug comes out, not file by file (the program would see its fault
// files vanish first), and even while the program holds a file in it open.
void unplug(const std::string &adapterDir);
// Key/value pairs of a board's `fpga` file (empty when absent).
std::map<std::string, std::string> fpgaState(const std::string &path);
std::string crc32Hex(const std::vector<std::uint8_t> &bytes, std::size_t length);

// `chunk` cut after each line feed; a last piece without one is kept too.
std::vector<std::string> linesOf(const std::string &chunk);

// The chunks of a run as a reader that keeps up would get them. Two writes
// can only come back from one read() when the reader left the pipe alone for
// at least as long as they were apart: from the start of the read before to
// the end of this one. A read holding several lines after an absence of at
// least `gap` (the least time the stand-in keeps between writes) may be the
// reader's doing: it is split into its lines, and said so on stdout. One
// after a shorter absence means the writes came closer together than `gap`:
// that is a problem, and the chunk is kept as read.
struct Separated {
    std::vector<std::string> chunks;
    std::vector<std::string> problems;
    int lateReads = 0;  // reads split because the reader had been away
};
Separated separateChunks(const RunResult &run, std::chrono::microseconds gap = Console::kChunkGap);

// Progress chunks of a run: "0x" + 8 hex digits + CR LF, in order, judged on
// the separated chunks.
struct ProgressCheck {
    std::vector<std::uint32_t> values;
    std::vector<std::string> problems;  // empty when the protocol was kept
};
ProgressCheck checkProgress(const RunResult &run, std::uint32_t fileSize);

// What the window takes for a too-fast erase.
bool isShortSectorChunk(const std::string &chunk);
// Such chunks among the separated chunks of a run.
int shortSectorChunks(const RunResult &run);

#endif
