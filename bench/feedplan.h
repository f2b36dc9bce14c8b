#ifndef FELDMOOR_BENCH_FEEDPLAN_H
#define FELDMOOR_BENCH_FEEDPLAN_H

#include <optional>
#include <string>

// What the programming tool stand-in writes during one run. The window starts
// the stand-in itself, so the plan travels in an environment variable that
// the window's QProcess passes on.
enum class FeedKind {
    Progress, // `count` progress reports, one write each, `gap` apart
    Log,      // `count` log lines, one write each, `gap` apart
    Exit,     // one progress report, then the exit time into `stampPath`
};

struct FeedPlan {
    FeedKind kind = FeedKind::Exit;
    int count = 0;
    int gapMicroseconds = 0;
    std::string stampPath; // may contain blanks; only an Exit plan needs it
};

inline constexpr char feedVariable[] = "FELDMOOR_BENCH_FEED";

std::string encodeFeedPlan(const FeedPlan &plan);

// Nothing for text that encodeFeedPlan cannot have produced, so that a stray
// value makes the stand-in refuse instead of writing something unmeasured.
std::optional<FeedPlan> decodeFeedPlan(const std::string &text);

#endif
