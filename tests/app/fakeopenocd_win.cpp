// The recording programming tool of tests/app/fakeopenocd.sh, for Windows,
// where the window cannot run a shell script as openocd.exe. It reads the
// same environment variables and plays back the same plan language:
//   out FORMAT, sleep SECONDS, once MARK FORMAT, touch FILE, hang, hangonce MARK,
//   crash, exit CODE
// FORMAT takes printf's backslash escapes (\n, \r, \t, \\, \xHH, \NNN) and %%.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <io.h>
#include <string>
#include <thread>
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

// The arguments exactly as Windows hands them over, before any code page.
void recordArguments(const char *path)
{
    int count = 0;
    wchar_t **arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (int i = 1; i < count; ++i)
        file << utf8(arguments[i]) << '\0';
    ::LocalFree(arguments);
}

int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'             ? c - 'a' + 10
        : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                           : 99;
    return value < base ? value : -1;
}

std::string unescape(const std::string &format)
{
    std::string bytes;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            bytes += '%';
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 == format.size()) {
            bytes += c;
            continue;
        }
        const char e = format[++i];
        if (e == 'n') {
            bytes += '\n';
        } else if (e == 'r') {
            bytes += '\r';
        } else if (e == 't') {
            bytes += '\t';
        } else if (e == 'x' || digitValue(e, 8) >= 0) {
            const int base = e == 'x' ? 16 : 8;
            const std::size_t maxDigits = e == 'x' ? 2 : 3;
            std::size_t start = e == 'x' ? i + 1 : i;
            int value = 0;
            std::size_t used = 0;
            while (used < maxDigits && start + used < format.size()
                   && digitValue(format[start + used], base) >= 0) {
                value = value * base + digitValue(format[start + used], base);
                ++used;
            }
            bytes += static_cast<char>(value);
            i = start + used - 1;
        } else {
            bytes += e;
        }
    }
    return bytes;
}

void write(const std::string &format)
{
    const std::string bytes = unescape(format);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}

int main()
{
    // Bytes go out as planned: no CR is added before LF.
    _setmode(_fileno(stdout), _O_BINARY);
    if (const char *path = std::getenv("FAKE_OPENOCD_ARGS"); path && *path)
        recordArguments(path);
    if (const char *path = std::getenv("FAKE_OPENOCD_RUNS"); path && *path)
        std::ofstream(path, std::ios::app) << "started\n";
    const char *planPath = std::getenv("FAKE_OPENOCD_PLAN");
    if (planPath == nullptr || *planPath == '\0')
        return 0;
    std::ifstream plan(planPath, std::ios::binary);
    std::string line;
    while (std::getline(plan, line)) {
        const std::size_t blank = line.find(' ');
        const std::string verb = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (verb == "out") {
            write(rest);
        } else if (verb == "sleep") {
            std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(rest.c_str())));
        } else if (verb == "once") {
            const std::size_t split = rest.find(' ');
            const std::string mark = rest.substr(0, split);
            if (::GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES) {
                std::ofstream{mark};
                write(split == std::string::npos ? std::string() : rest.substr(split + 1));
            }
        } else if (verb == "touch") {
            std::ofstream{rest};
        } else if (verb == "hang") {
            for (;;)
                ::Sleep(1000);
        } else if (verb == "hangonce") {
            if (::GetFileAttributesA(rest.c_str()) == INVALID_FILE_ATTRIBUTES) {
                std::ofstream{rest};
                for (;;)
                    ::Sleep(1000);
            }
        } else if (verb == "crash") {
            // An exception status as exit code is how Windows reports a crash.
            ::TerminateProcess(::GetCurrentProcess(), 0xC0000005);
        } else if (verb == "exit") {
            return std::atoi(rest.c_str());
        }
    }
    return 0;
}
