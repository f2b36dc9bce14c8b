#ifndef FELDMOOR_OPENOCD_NATIVE_FILE_H
#define FELDMOOR_OPENOCD_NATIVE_FILE_H

#include <cstdint>
#include <string>

// A file of the operating system, named by a UTF-8 path (on Windows opened
// through the wide API, so that any name the user can type works). Every
// failure leaves errorText() saying why, in the system's words.
class NativeFile {
public:
    enum class Mode {
        Read,       // an existing file, for reading
        ReadWrite,  // an existing file, for reading and writing at offsets
        Create,     // created or truncated, for writing
    };

    NativeFile() = default;
    ~NativeFile();
    NativeFile(const NativeFile &) = delete;
    NativeFile &operator=(const NativeFile &) = delete;

    bool open(const std::string &path, Mode mode);
    void close();
    bool isOpen() const { return handle_ != kClosed; }
    // Whether the last open failed because there is no such file.
    bool notFound() const { return notFound_; }
    const std::string &errorText() const { return error_; }

    // The size in bytes, or -1.
    long long size();
    // Reads at the current position: the count read, 0 at the end, -1 on failure.
    long long read(void *data, std::size_t length);
    bool writeAll(const void *data, std::size_t length);
    // All `length` bytes at `offset`, or failure.
    bool readAt(std::uint64_t offset, void *data, std::size_t length);
    bool writeAt(std::uint64_t offset, const void *data, std::size_t length);

private:
    static constexpr std::intptr_t kClosed = -1;

    std::intptr_t handle_ = kClosed;  // a file descriptor or a HANDLE
    bool notFound_ = false;
    std::string error_;
};

enum class PathKind { Missing, File, Folder, Other };

// What `path` names, links followed.
PathKind pathKind(const std::string &path);

bool removeFile(const std::string &path);

// Renames `from` to `to`, replacing what `to` named in one step.
bool replaceFile(const std::string &from, const std::string &to, std::string &why);

// The absolute form of an existing `path`, without "." and "..", separated by
// "/" on every system; empty when `path` does not exist.
std::string resolvedPath(const std::string &path);

bool isPathSeparator(char c);

#endif
