#include "plaindirectory.h"

#include <windows.h>

namespace qb562 {

namespace {

// Listing a folder opens it without sharing delete access, so it fails with a
// sharing violation while someone renames or deletes that folder: exactly
// when the watch looks at the bus after a move. The holder lets go within
// moments; until then the listing is tried again.
constexpr int kListAttempts = 50;
constexpr DWORD kListRetryMs = 10;

HANDLE findEntry(const std::string &path, WIN32_FIND_DATAA &found)
{
    for (int attempt = 1;; ++attempt) {
        const HANDLE search = ::FindFirstFileA(path.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_SHARING_VIOLATION
            || attempt == kListAttempts)
            return search;
        ::Sleep(kListRetryMs);
    }
}

bool isDirectoryNotLink(DWORD attributes)
{
    // Symbolic links and junctions are reparse points.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}

bool isPlainDirectory(const std::string &path)
{
    WIN32_FIND_DATAA found{};
    const HANDLE search = findEntry(path, found);
    if (search == INVALID_HANDLE_VALUE) {
        // Still held after all attempts: reading attributes takes no share
        // access, so it answers everything but the letter case. A present
        // adapter read as absent would be reported unplugged.
        if (::GetLastError() != ERROR_SHARING_VIOLATION)
            return false;
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
        return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)
            && isDirectoryNotLink(attributes.dwFileAttributes);
    }
    ::FindClose(search);
    // Windows finds "Adapter4" when asked for "adapter4"; the bus does not
    // count it, as on Linux, so the name on disk must match exactly.
    const std::string::size_type slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name == found.cFileName && isDirectoryNotLink(found.dwFileAttributes);
}

}
