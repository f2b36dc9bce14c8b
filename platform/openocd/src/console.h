#ifndef FELDMOOR_OPENOCD_CONSOLE_H
#define FELDMOOR_OPENOCD_CONSOLE_H

#include "console_output.h"

#include <chrono>
#include <string_view>

// All output of the program, written unbuffered with one write() per line.
// The window reads the merged stream one read() at a time and judges progress
// and erase reports by the size of what one read() returned, so "isolated"
// chunks (progress, too-fast erase) are kept apart from everything else by a
// short pause on both sides.
class Console {
public:
    // Pause kept before and after an isolated chunk; the window needs 2 ms.
    static constexpr std::chrono::microseconds kChunkGap{4000};

    void line(std::string_view text);   // stdout, as is, plus "\n"
    void info(std::string_view text);   // stdout, "Info : "
    void warn(std::string_view text);   // stderr, "Warn : "
    void error(std::string_view text);  // stderr, "Error: "
    void raw(std::string_view bytes);   // stdout, as is
    void rawError(std::string_view bytes);  // stderr, as is
    void isolatedChunk(std::string_view bytes);  // stdout, kept apart

private:
    void emit(ConsoleStream stream, std::string_view bytes, bool isolated);

    std::chrono::steady_clock::time_point last_{};
    bool lastIsolated_ = false;
};

#endif
