#ifndef FELDMOOR_CLI_EXITCODES_H
#define FELDMOOR_CLI_EXITCODES_H

#include <QString>

// What feldmoor-cli's exit status means. Scripts and production lines branch
// on these, so they never change meaning.
namespace exitcode {
inline constexpr int kOk = 0;              // loaded and checked
inline constexpr int kToolFailed = 1;      // the tool exited non-zero or crashed
inline constexpr int kUsage = 2;           // bad arguments
inline constexpr int kNoAdapter = 3;       // no QB562 adapter attached
inline constexpr int kBadFile = 4;         // unreadable, empty or not a valid .bit
inline constexpr int kToolMissing = 5;     // OpenOCD missing or not startable
inline constexpr int kTooManyRestarts = 6; // too-fast erase, restarts used up
inline constexpr int kDoneLow = 7;         // DONE low after the load or the reload
inline constexpr int kPartMismatch = 8;    // board and file disagree on the part
inline constexpr int kTimeout = 9;         // --timeout ran out
inline constexpr int kInterrupted = 130;   // SIGINT / Ctrl-C
inline constexpr int kTerminated = 143;    // SIGTERM / Ctrl-Break, console closed
}

// The table printed by --help (and kept in step with the manual page).
QString exitCodeTable();

#endif
