#include "console_output.h"

#include <string>

#include <windows.h>

namespace {

// The vendor's OpenOCD prints paths and messages in the ANSI code page, which
// is how the window decodes them; the simulator works in UTF-8. Progress and
// most lines are ASCII and pass unchanged, so chunk sizes stay as written.
std::string toAnsiCodePage(std::string_view utf8)
{
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wideLength <= 0)
        return std::string(utf8);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string(utf8);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

bool isAscii(std::string_view bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

void writeToConsole(ConsoleStream stream, std::string_view bytes)
{
    // WriteFile, not the C library: its text mode would turn every "\n" into
    // "\r\n" and change what the reader sees.
    const HANDLE handle = GetStdHandle(stream == ConsoleStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    const std::string converted = isAscii(bytes) ? std::string() : toAnsiCodePage(bytes);
    const std::string_view out = isAscii(bytes) ? bytes : std::string_view(converted);
    std::size_t done = 0;
    while (done < out.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, out.data() + done, static_cast<DWORD>(out.size() - done), &written, nullptr) ||
            written == 0)
            break;
        done += written;
    }
    // Under Wine a write can become visible to the reader later than WriteFile
    // returns, so two writes spaced by the gap may still arrive in one read
    // when the machine is busy. On a pipe this waits until the reader has
    // taken everything, which makes the gap count from there; on a console or
    // a file it returns at once.
    FlushFileBuffers(handle);
}
