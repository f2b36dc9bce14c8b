#ifndef FELDMOOR_OPENOCD_CONSOLE_H
#define FELDMOOR_OPENOCD_CONSOLE_H

#include "chunk_gap.h"
#include "console_output.h"

#include <chrono>
#include <string_view>

// All output of the program, written unbuffered with one write() per line.
// The window reads the merged stream one read() at a time and judges progress
// and erase reports by what one read() returned, so every write, whatever it
// carries, is kept at least kChunkGap after the one before it: a reader that
// comes back to the pipe within that time gets each one alone.
class Console {
public:
    static constexpr std::chrono::microseconds kChunkGap = chunk_gap::kChunkGap;

    void line(std::string_view text);   // stdout, as is, plus "\n"
    void info(std::string_view text);   // stdout, "Info : "
    void warn(std::string_view text);   // stderr, "Warn : "
    void error(std::string_view text);  // stderr, "Error: "
    void raw(std::string_view bytes);   // stdout, as is
    void rawError(std::string_view bytes);  // stderr, as is
    void isolatedChunk(std::string_view bytes);  // stdout, as is: a report the window judges alone

private:
    void emit(ConsoleStream stream, std::string_view bytes);

    std::chrono::steady_clock::time_point last_{};
};

#endif
