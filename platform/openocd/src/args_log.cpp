#include "args_log.h"

#include "native_file.h"
#include "native_process.h"

#include <string>

bool logArguments(int argc, const char *const *argv)
{
    const std::string path = environmentVariable("QB562_SIM_ARGS_LOG");
    if (path.empty())
        return true;
    std::string log;
    for (int i = 1; i < argc; ++i) {
        log += argv[i];
        log += '\0';
    }
    NativeFile out;
    return out.open(path, NativeFile::Mode::Create) && out.writeAll(log.data(), log.size());
}
