#include "console.h"

#include <cerrno>
#include <string>
#include <thread>

#include <unistd.h>

void Console::line(std::string_view text)
{
    emit(STDOUT_FILENO, std::string(text) + "\n");
}

void Console::info(std::string_view text)
{
    emit(STDOUT_FILENO, "Info : " + std::string(text) + "\n");
}

void Console::warn(std::string_view text)
{
    emit(STDERR_FILENO, "Warn : " + std::string(text) + "\n");
}

void Console::error(std::string_view text)
{
    emit(STDERR_FILENO, "Error: " + std::string(text) + "\n");
}

void Console::raw(std::string_view bytes)
{
    emit(STDOUT_FILENO, bytes);
}

void Console::rawError(std::string_view bytes)
{
    emit(STDERR_FILENO, bytes);
}

void Console::isolatedChunk(std::string_view bytes)
{
    emit(STDOUT_FILENO, bytes);
}

void Console::emit(int fd, std::string_view bytes)
{
    // Counted from the end of the previous write, so a writer that was
    // descheduled only widens the gap.
    std::this_thread::sleep_until(last_ + kChunkGap);
    // A short write would split the chunk the reader is meant to see whole;
    // pipes take up to PIPE_BUF bytes atomically, which covers every line here.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // nobody listens any more; the program goes on regardless
        done += static_cast<std::size_t>(n);
    }
    last_ = std::chrono::steady_clock::now();
}
