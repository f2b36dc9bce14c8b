#include "recordingtool.h"

#include <csignal>
#include <cstdlib>

void useBinaryOutput()
{
}

std::vector<std::string> receivedArguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

void crash()
{
    std::raise(SIGKILL);
    std::abort();
}
