#include "native_process.h"

#include <climits>
#include <cstdlib>
#include <thread>

#include <unistd.h>

std::vector<std::string> programArguments(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

std::string executableDir()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return ".";
    std::string exe(buffer, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

unsigned long processId()
{
    return static_cast<unsigned long>(::getpid());
}

std::string environmentVariable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

void sleepUntil(std::chrono::steady_clock::time_point deadline)
{
    std::this_thread::sleep_until(deadline);
}
