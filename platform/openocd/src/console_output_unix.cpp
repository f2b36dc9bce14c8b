#include "console_output.h"

#include <cerrno>

#include <unistd.h>

void writeToConsole(ConsoleStream stream, std::string_view bytes)
{
    const int fd = stream == ConsoleStream::Out ? STDOUT_FILENO : STDERR_FILENO;
    // A short write would split the chunk the reader is meant to see whole;
    // pipes take up to PIPE_BUF bytes atomically, which covers every line here.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
}
