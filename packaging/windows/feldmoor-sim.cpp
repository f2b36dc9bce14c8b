// Starts Feldmoor.exe beside this program in a simulated world, as
// feldmoor-sim does on Linux: the sample board installed beside it is copied
// to a fresh folder under %LOCALAPPDATA%\Feldmoor, so that every start begins
// with an untouched board and the installed copy (read-only under Program
// Files) is never written. With QB562_SIM_DIR already set, that bus is used
// as it is. A GUI program, so the Start-menu shortcut opens no console.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

int complain(const std::wstring &text)
{
    MessageBoxW(nullptr, text.c_str(), L"Feldmoor (simulated board)", MB_OK | MB_ICONERROR);
    return 1;
}

std::wstring environmentValue(const wchar_t *name)
{
    wchar_t value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// sim-<date>-<time>, with a counter when two starts share a second.
fs::path freshWorld(const fs::path &parent)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"sim-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    fs::create_directories(parent);
    fs::path world = parent / stamp;
    for (int n = 2; !fs::create_directory(world); ++n)
        world = parent / (std::wstring(stamp) + L"-" + std::to_wstring(n));
    return world;
}

// File by file: mingw's std::filesystem::copy takes any two folders for the
// same one (Windows has no inode numbers) and refuses to copy into the new one.
void copyFolder(const fs::path &from, const fs::path &to)
{
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / fs::relative(entry.path(), from);
        if (entry.is_directory())
            fs::create_directories(target);
        else
            fs::copy_file(entry.path(), target);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t self[MAX_PATH];
    const DWORD selfLength = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (selfLength == 0 || selfLength == MAX_PATH)
        return complain(L"Cannot tell where feldmoor-sim.exe is installed.");
    const fs::path installed = fs::path(self).parent_path();
    const fs::path program = installed / L"Feldmoor.exe";

    fs::path world;
    const std::wstring givenBus = environmentValue(L"QB562_SIM_DIR");
    if (givenBus.empty()) {
        const std::wstring localData = environmentValue(L"LOCALAPPDATA");
        if (localData.empty())
            return complain(L"LOCALAPPDATA is not set: no place for the simulated board.");
        try {
            world = freshWorld(fs::path(localData) / L"Feldmoor");
            copyFolder(installed / L"sample", world);
        } catch (const fs::filesystem_error &error) {
            return complain(L"Cannot copy the sample board from " + (installed / L"sample").wstring() + L":\n"
                            + fs::path(error.what()).wstring());
        }
        SetEnvironmentVariableW(L"QB562_SIM_DIR", (world / L"bus").c_str());
    }

    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        world.empty() ? nullptr : world.c_str(), &startup, &started))
        return complain(L"Cannot start " + program.wstring() + L" (error " + std::to_wstring(GetLastError()) + L").");
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 0;
}
