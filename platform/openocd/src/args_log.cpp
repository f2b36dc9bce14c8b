#include "args_log.h"

#include <cstdlib>
#include <fstream>
#include <string>

bool logArguments(int argc, const char *const *argv)
{
    const char *path = std::getenv("QB562_SIM_ARGS_LOG");
    if (!path || !*path)
        return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int i = 1; i < argc && out; ++i)
        out << argv[i] << '\0';
    out.flush();
    return static_cast<bool>(out);
}
