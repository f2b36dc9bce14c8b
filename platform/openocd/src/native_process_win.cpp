#include "native_process.h"

#include "wide_text.h"

#include <windows.h>
#include <shellapi.h>
#include <timeapi.h>

std::vector<std::string> programArguments(int argc, char **argv)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(fromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::string executableDir()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return ".";
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string exe = fromWide(buffer);
    for (char &c : exe) {
        if (c == '\\')
            c = '/';
    }
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

unsigned long processId()
{
    return GetCurrentProcessId();
}

std::string environmentVariable(const char *name)
{
    const std::wstring wideName = toWide(name);
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (n == 0)
            return {};
        if (n < value.size()) {
            value.resize(n);
            return fromWide(value);
        }
        value.resize(n);
    }
}

void sleepUntil(std::chrono::steady_clock::time_point deadline)
{
    // The default timer tick is 15.6 ms; a 4 ms gap would take four times as
    // long. Asked for once, kept for the life of the process.
    static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)fineTimer;
    for (auto now = std::chrono::steady_clock::now(); now < deadline; now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        Sleep(static_cast<DWORD>(left.count()));
    }
}
