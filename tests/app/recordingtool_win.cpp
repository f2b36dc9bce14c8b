#include "recordingtool.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

std::string utf8(const wchar_t *text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

}

void useBinaryOutput()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

std::vector<std::string> receivedArguments(int, char **)
{
    int count = 0;
    wchar_t **arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i)
        result.push_back(utf8(arguments[i]));
    ::LocalFree(arguments);
    return result;
}

void crash()
{
    // An exception status as exit code is how Windows reports a crash.
    ::TerminateProcess(::GetCurrentProcess(), 0xC0000005);
    for (;;)
        ::Sleep(1000);
}
