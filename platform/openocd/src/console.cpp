#include "console.h"

#include "native_process.h"

#include <string>

void Console::line(std::string_view text)
{
    emit(ConsoleStream::Out, std::string(text) + "\n");
}

void Console::info(std::string_view text)
{
    emit(ConsoleStream::Out, "Info : " + std::string(text) + "\n");
}

void Console::warn(std::string_view text)
{
    emit(ConsoleStream::Err, "Warn : " + std::string(text) + "\n");
}

void Console::error(std::string_view text)
{
    emit(ConsoleStream::Err, "Error: " + std::string(text) + "\n");
}

void Console::raw(std::string_view bytes)
{
    emit(ConsoleStream::Out, bytes);
}

void Console::rawError(std::string_view bytes)
{
    emit(ConsoleStream::Err, bytes);
}

void Console::isolatedChunk(std::string_view bytes)
{
    emit(ConsoleStream::Out, bytes);
}

void Console::emit(ConsoleStream stream, std::string_view bytes)
{
    // Counted from the end of the previous write, so a writer that was
    // descheduled only widens the gap.
    sleepUntil(last_ + kChunkGap);
    writeToConsole(stream, bytes);
    last_ = std::chrono::steady_clock::now();
}
