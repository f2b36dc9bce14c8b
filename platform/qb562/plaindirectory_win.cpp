#include "plaindirectory.h"

#include <windows.h>

namespace qb562 {

bool isPlainDirectory(const std::string &path)
{
    // Symbolic links and junctions are reparse points.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}
