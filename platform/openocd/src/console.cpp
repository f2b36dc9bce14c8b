#include "console.h"

#include "native_process.h"

#include <string>

void Console::line(std::string_view text)
{
    emit(ConsoleStream::Out, std::string(text) + "\n", false);
}

void Console::info(std::string_view text)
{
    emit(ConsoleStream::Out, "Info : " + std::string(text) + "\n", false);
}

void Console::warn(std::string_view text)
{
    emit(ConsoleStream::Err, "Warn : " + std::string(text) + "\n", false);
}

void Console::error(std::string_view text)
{
    emit(ConsoleStream::Err, "Error: " + std::string(text) + "\n", false);
}

void Console::raw(std::string_view bytes)
{
    emit(ConsoleStream::Out, bytes, false);
}

void Console::rawError(std::string_view bytes)
{
    emit(ConsoleStream::Err, bytes, false);
}

void Console::isolatedChunk(std::string_view bytes)
{
    emit(ConsoleStream::Out, bytes, true);
}

void Console::emit(ConsoleStream stream, std::string_view bytes, bool isolated)
{
    if (isolated || lastIsolated_)
        sleepUntil(last_ + kChunkGap);
    writeToConsole(stream, bytes);
    last_ = std::chrono::steady_clock::now();
    lastIsolated_ = isolated;
}
