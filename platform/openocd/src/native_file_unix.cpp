#include "native_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Moves all `length` bytes, `step(done)` moving some of the rest as read() or
// write() would; a step cut short by a signal is taken again. A step that
// moves nothing is an error too: `atEnd` names it, or errno does.
template <typename Step>
bool transferAll(std::size_t length, std::string &error, const char *atEnd, Step step)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n == 0 && atEnd ? atEnd : std::strerror(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

NativeFile::~NativeFile()
{
    close();
}

bool NativeFile::open(const std::string &path, Mode mode)
{
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    notFound_ = fd < 0 && errno == ENOENT;
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

void NativeFile::close()
{
    if (handle_ != kClosed)
        ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

long long NativeFile::size()
{
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) {
        error_ = std::strerror(errno);
        return -1;
    }
    return st.st_size;
}

long long NativeFile::read(void *data, std::size_t length)
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error_ = std::strerror(errno);
        return n;
    }
}

bool NativeFile::writeAll(const void *data, std::size_t length)
{
    const auto *bytes = static_cast<const char *>(data);
    const int fd = static_cast<int>(handle_);
    return transferAll(length, error_, nullptr,
                       [&](std::size_t done) { return ::write(fd, bytes + done, length - done); });
}

bool NativeFile::readAt(std::uint64_t offset, void *data, std::size_t length)
{
    auto *bytes = static_cast<char *>(data);
    const int fd = static_cast<int>(handle_);
    return transferAll(length, error_, "unexpected end of file", [&](std::size_t done) {
        return ::pread(fd, bytes + done, length - done, static_cast<off_t>(offset + done));
    });
}

bool NativeFile::writeAt(std::uint64_t offset, const void *data, std::size_t length)
{
    const auto *bytes = static_cast<const char *>(data);
    const int fd = static_cast<int>(handle_);
    return transferAll(length, error_, nullptr, [&](std::size_t done) {
        return ::pwrite(fd, bytes + done, length - done, static_cast<off_t>(offset + done));
    });
}

PathKind pathKind(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    if (S_ISREG(st.st_mode))
        return PathKind::File;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool removeFile(const std::string &path)
{
    return std::remove(path.c_str()) == 0;
}

bool replaceFile(const std::string &from, const std::string &to, std::string &why)
{
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    why = std::strerror(errno);
    return false;
}

std::string resolvedPath(const std::string &path)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return {};
    return buffer;
}

bool isPathSeparator(char c)
{
    return c == '/';
}
