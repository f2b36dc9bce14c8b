#include "plaindirectory.h"

#include <windows.h>

namespace qb562 {

bool isPlainDirectory(const std::string &path)
{
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(search);
    // Windows finds "Adapter4" when asked for "adapter4"; the bus does not
    // count it, as on Linux, so the name on disk must match exactly.
    const std::string::size_type slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // Symbolic links and junctions are reparse points.
    return name == found.cFileName && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}
