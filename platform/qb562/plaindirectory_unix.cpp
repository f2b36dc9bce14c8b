#include "plaindirectory.h"

#include <sys/stat.h>

namespace qb562 {

bool isPlainDirectory(const std::string &path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}
