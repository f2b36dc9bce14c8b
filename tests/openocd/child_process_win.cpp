#include "child_process.h"

#include "wide_text.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <windows.h>

namespace {

// What a child ended by kill() reports, as a shell reports SIGKILL.
constexpr UINT kKilledExitCode = 128 + 9;

// Quoted so that the C runtime's and CommandLineToArgvW's parsing give back
// exactly `arg`: blanks, quotes and backslashes included.
std::wstring quoted(const std::wstring &arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        out.push_back(*it);
    }
    out.push_back(L'"');
    return out;
}

}  // namespace

// A thread of its own reads the pipe and hands each read's bytes over. It
// reads only what PeekNamedPipe says is there, so no read ever waits: under
// Wine a waiting read can be broken off (STATUS_ALERTED) after it has taken
// the bytes, which are then lost, and overlapped reads can signal their event
// without ever delivering the result.
struct ChildProcess::Private {
    static constexpr DWORD kPollMs = 1;

    HANDLE process = nullptr;
    HANDLE pipe = nullptr;
    bool killRequested = false;
    bool reaped = false;

    std::thread reader;
    std::mutex mutex;
    std::condition_variable arrived;
    // Timed on this thread, which is the one that reads.
    std::deque<std::pair<std::string, ReadTime>> chunks;
    bool ended = false;

    void readAll()
    {
        std::vector<char> buffer(1 << 16);
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
                finish();  // ERROR_BROKEN_PIPE: every writer is gone and all was read
                return;
            }
            if (available == 0) {
                Sleep(kPollMs);
                continue;
            }
            DWORD n = 0;
            const DWORD wanted = available < buffer.size() ? available : static_cast<DWORD>(buffer.size());
            ReadTime when;
            when.begun = std::chrono::steady_clock::now();
            if (!ReadFile(pipe, buffer.data(), wanted, &n, nullptr) || n == 0) {
                finish();
                return;
            }
            when.returned = std::chrono::steady_clock::now();
            const std::lock_guard<std::mutex> lock(mutex);
            chunks.emplace_back(std::string(buffer.data(), n), when);
            arrived.notify_all();
        }
    }

    void finish()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        arrived.notify_all();
    }
};

ChildProcess::ChildProcess() : d(std::make_unique<Private>()) {}

ChildProcess::~ChildProcess()
{
    if (d->process && !d->reaped) {
        kill();
        wait();
    }
    if (d->reader.joinable())
        d->reader.join();
    if (d->pipe)
        CloseHandle(d->pipe);
    if (d->process)
        CloseHandle(d->process);
}

bool ChildProcess::start(const std::string &program, const std::vector<std::string> &args,
                         const std::vector<std::string> &environment, const std::string &workDir, std::string &error)
{
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&d->pipe, &writeEnd, &inherited, 1 << 16)) {
        error = "CreatePipe failed: " + systemErrorText(GetLastError());
        return false;
    }
    SetHandleInformation(d->pipe, HANDLE_FLAG_INHERIT, 0);
    const HANDLE nullInput = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                         OPEN_EXISTING, 0, nullptr);
    if (nullInput == INVALID_HANDLE_VALUE) {
        error = "opening NUL failed: " + systemErrorText(GetLastError());
        CloseHandle(writeEnd);
        return false;
    }

    std::wstring commandLine = quoted(toWide(program));
    for (const std::string &arg : args)
        commandLine += L" " + quoted(toWide(arg));
    std::wstring environmentBlock;
    for (const std::string &entry : environment)
        environmentBlock += toWide(entry) + L'\0';
    environmentBlock += L'\0';

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullInput;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const std::wstring wideWorkDir = toWide(workDir);
    // Wine now and then fails a spawn with an internal error on a busy
    // machine (once among some 1200 spawns of the catalogue suite); the same call
    // a moment later succeeds, and the suites judge the child, not Wine.
    BOOL created = FALSE;
    DWORD createError = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        created = CreateProcessW(toWide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                 CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environmentBlock.data(),
                                 workDir.empty() ? nullptr : wideWorkDir.c_str(), &startup, &info);
        createError = GetLastError();
        if (created || createError != ERROR_INTERNAL_ERROR)
            break;
        Sleep(100);
    }
    // Only the child may hold the write end, or the pipe never reports its end.
    CloseHandle(writeEnd);
    CloseHandle(nullInput);
    if (!created) {
        error = "spawn failed: " + systemErrorText(createError);
        return false;
    }
    CloseHandle(info.hThread);
    d->process = info.hProcess;
    d->reader = std::thread([this] { d->readAll(); });
    return true;
}

ChildProcess::ReadStatus ChildProcess::read(std::string &chunk, ReadTime &when, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(d->mutex);
    d->arrived.wait_for(lock, timeout, [this] { return !d->chunks.empty() || d->ended; });
    if (!d->chunks.empty()) {
        chunk = std::move(d->chunks.front().first);
        when = d->chunks.front().second;
        d->chunks.pop_front();
        return ReadStatus::Data;
    }
    return d->ended ? ReadStatus::Ended : ReadStatus::TimedOut;
}

void ChildProcess::kill()
{
    if (d->process && !d->reaped && TerminateProcess(d->process, kKilledExitCode))
        d->killRequested = true;
}

ChildProcess::Exit ChildProcess::wait()
{
    Exit exit;
    WaitForSingleObject(d->process, INFINITE);
    d->reaped = true;
    DWORD code = 0;
    GetExitCodeProcess(d->process, &code);
    exit.killed = d->killRequested && code == kKilledExitCode;
    exit.code = exit.killed ? -1 : static_cast<int>(code);
    return exit;
}

std::vector<std::string> currentEnvironment()
{
    std::vector<std::string> entries;
    wchar_t *block = GetEnvironmentStringsW();
    for (const wchar_t *entry = block; entry && *entry; entry += wcslen(entry) + 1)
        entries.push_back(fromWide(entry));
    FreeEnvironmentStringsW(block);
    return entries;
}
