#ifndef FELDMOOR_CLI_EXITCODES_H
#define FELDMOOR_CLI_EXITCODES_H

#include "engine/outcome.h"

#include <QString>

namespace cli {

// What feldmoor-cli's exit status means. Scripts and production lines branch
// on these, so they never change meaning.
namespace exitcode {
inline constexpr int kOk = 0;
inline constexpr int kToolFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoAdapter = 3;
inline constexpr int kBadFile = 4;
inline constexpr int kToolMissing = 5;
inline constexpr int kTooManyRestarts = 6;
inline constexpr int kDoneLow = 7;
inline constexpr int kPartMismatch = 8;
inline constexpr int kTimeout = 9;
inline constexpr int kSomeBoardsFailed = 10;
inline constexpr int kAdapterInUse = 11;
inline constexpr int kNotBlank = 12;
inline constexpr int kFlashDiffers = 13;
inline constexpr int kPoolEmpty = 14;
inline constexpr int kHungUp = 129;       // SIGHUP: the terminal closed, the session dropped
inline constexpr int kInterrupted = 130;  // SIGINT / Ctrl-C
inline constexpr int kTerminated = 143;   // SIGTERM / Ctrl-Break, console closed
} // namespace exitcode

// Each code with its meaning: the longer text of --help, and the short one
// of the manual page and the README, whose tables a test holds to this one.
struct ExitCodeMeaning {
    int code;
    const char *help;
    const char *brief;
};

inline constexpr ExitCodeMeaning kExitCodes[] = {
    {exitcode::kOk, "loaded and checked (tool exit 0, part matched, DONE high)", "loaded and checked"},
    {exitcode::kToolFailed, "the tool failed (non-zero exit or crash)", "the tool failed (non-zero exit or crash)"},
    {exitcode::kUsage, "usage: bad or missing arguments", "usage"},
    {exitcode::kNoAdapter, "no QB562 adapter attached", "no adapter"},
    {exitcode::kBadFile,
     "file unreadable, empty, not valid (.bit header, .mcs record), not a regular file or too large, or OUT or the "
     "record not writable",
     "file unreadable, empty, invalid, not a regular file or too large, or OUT or the record not writable"},
    {exitcode::kToolMissing, "OpenOCD_QB562/bin/openocd.exe missing or not startable", "tool missing or not startable"},
    {exitcode::kTooManyRestarts, "too many fast-erase restarts (see --retries)", "too many fast-erase restarts"},
    {exitcode::kDoneLow, "DONE low after the load or the reload from flash", "DONE low after the load or the reload"},
    {exitcode::kPartMismatch, "part mismatch between board and file (see --force)", "part mismatch"},
    {exitcode::kTimeout, "timeout (see --timeout)", "timeout"},
    {exitcode::kSomeBoardsFailed,
     "some boards failed (several adapters, or --repeat; each board's code is in its line)", "some boards failed"},
    {exitcode::kAdapterInUse,
     "an adapter is in use by another feldmoor-cli or the window, or by a tool an ended loader left running",
     "adapter in use by another loader"},
    {exitcode::kNotBlank, "blank-check: the range holds bytes other than 0xFF", "not blank"},
    {exitcode::kFlashDiffers, "the flash differs from the file (verify, or a write's own verify)",
     "the flash differs from the file"},
    {exitcode::kPoolEmpty, "the serial pool has no value left: the board was not touched (--serial-number)",
     "the serial pool is empty"},
    {exitcode::kHungUp, "hung up (SIGHUP: the terminal closed, the session dropped)", "hung up (SIGHUP)"},
    {exitcode::kInterrupted, "interrupted (Ctrl-C)", "interrupted (SIGINT, Ctrl-C)"},
    {exitcode::kTerminated, "terminated (SIGTERM, Ctrl-Break)", "terminated (SIGTERM)"},
};

// The exit status of a job that ended so.
int exitCodeOf(engine::OutcomeKind kind);

// The table printed by --help.
QString exitCodeTable();

} // namespace cli

#endif
