#include "native_file.h"

#include "wide_text.h"

#include <windows.h>

namespace {

HANDLE asHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED position {};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

// Chunks below 4 GiB, which is all a DWORD count can carry.
DWORD chunkOf(std::size_t length)
{
    return static_cast<DWORD>(length < (1u << 30) ? length : (1u << 30));
}

}  // namespace

NativeFile::~NativeFile()
{
    close();
}

bool NativeFile::open(const std::string &path, Mode mode)
{
    close();
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode == Mode::ReadWrite)
        access = GENERIC_READ | GENERIC_WRITE;
    if (mode == Mode::Create) {
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    }
    // Others may read, write, rename and delete meanwhile, as on Linux: an
    // adapter's folder can be unplugged while its flash image is open.
    const HANDLE handle = CreateFileW(toWide(path).c_str(), access,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        notFound_ = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        error_ = systemErrorText(code);
        return false;
    }
    notFound_ = false;
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

void NativeFile::close()
{
    if (handle_ != kClosed)
        CloseHandle(asHandle(handle_));
    handle_ = kClosed;
}

long long NativeFile::size()
{
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(asHandle(handle_), &size)) {
        error_ = systemErrorText(GetLastError());
        return -1;
    }
    return size.QuadPart;
}

long long NativeFile::read(void *data, std::size_t length)
{
    DWORD n = 0;
    if (!ReadFile(asHandle(handle_), data, chunkOf(length), &n, nullptr)) {
        error_ = systemErrorText(GetLastError());
        return -1;
    }
    return n;
}

bool NativeFile::writeAll(const void *data, std::size_t length)
{
    const auto *bytes = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < length) {
        DWORD n = 0;
        if (!WriteFile(asHandle(handle_), bytes + done, chunkOf(length - done), &n, nullptr) || n == 0) {
            error_ = systemErrorText(GetLastError());
            return false;
        }
        done += n;
    }
    return true;
}

bool NativeFile::readAt(std::uint64_t offset, void *data, std::size_t length)
{
    auto *bytes = static_cast<char *>(data);
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED position = at(offset + done);
        DWORD n = 0;
        if (!ReadFile(asHandle(handle_), bytes + done, chunkOf(length - done), &n, &position) || n == 0) {
            const DWORD code = GetLastError();
            error_ = n == 0 && code == ERROR_HANDLE_EOF ? "unexpected end of file" : systemErrorText(code);
            return false;
        }
        done += n;
    }
    return true;
}

bool NativeFile::writeAt(std::uint64_t offset, const void *data, std::size_t length)
{
    const auto *bytes = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED position = at(offset + done);
        DWORD n = 0;
        if (!WriteFile(asHandle(handle_), bytes + done, chunkOf(length - done), &n, &position) || n == 0) {
            error_ = systemErrorText(GetLastError());
            return false;
        }
        done += n;
    }
    return true;
}

PathKind pathKind(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::Folder;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::Other : PathKind::File;
}

bool removeFile(const std::string &path)
{
    return DeleteFileW(toWide(path).c_str()) != 0;
}

bool replaceFile(const std::string &from, const std::string &to, std::string &why)
{
    if (MoveFileExW(toWide(from).c_str(), toWide(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    why = systemErrorText(GetLastError());
    return false;
}

std::string resolvedPath(const std::string &path)
{
    const std::wstring wide = toWide(path);
    if (wide.empty() || GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
        return {};
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return {};
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length)
        return {};
    full.resize(written);
    std::string resolved = fromWide(full);
    for (char &c : resolved) {
        if (c == '\\')
            c = '/';
    }
    // "C:/" keeps its slash; any other folder loses a trailing one.
    if (resolved.size() > 3 && resolved.back() == '/')
        resolved.pop_back();
    return resolved;
}

bool isPathSeparator(char c)
{
    return c == '/' || c == '\\';
}
