// Watches the bus with ReadDirectoryChangesW on the folder that holds it, with
// its subtree. Like inotify it names each directory created, deleted or
// renamed, so every plug and unplug is reported, in order, even in bursts.
// The bus itself is never held open: Windows keeps an open directory from
// being deleted, and the bus must come and go as freely as on Linux.

#include "simwatcher.h"

#include "simbus.h"

#include <system_error>
#include <thread>
#include <windows.h>

namespace qb562 {

namespace {

// How often to look for a missing parent folder of the bus.
constexpr DWORD kRearmIntervalMs = 100;

// Names below the watched folder come as "bus\adapter0". Adapter names are
// plain ASCII; anything else names no adapter.
std::string asciiName(const FILE_NOTIFY_INFORMATION &entry)
{
    std::string name;
    for (DWORD i = 0; i < entry.FileNameLength / sizeof(WCHAR); ++i) {
        if (entry.FileName[i] > 0x7F)
            return {};
        name += static_cast<char>(entry.FileName[i]);
    }
    return name;
}

}

struct SimWatcher::Native {
    explicit Native(SimWatcher &watcher);

    void run();
    bool arm();
    bool request();
    void disarm();
    void handle(DWORD length);
    void handle(const std::string &name, DWORD action);

    SimWatcher &owner;
    std::string parent;
    std::string busName;
    bool busAway = false;
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE done = nullptr;
    OVERLAPPED pending{};
    alignas(DWORD) char buffer[64 * 1024];
};

SimWatcher::Native::Native(SimWatcher &watcher)
    : owner(watcher)
{
    std::string bus = owner.busDir_;
    while (bus.size() > 1 && (bus.back() == '/' || bus.back() == '\\'))
        bus.pop_back();
    const std::string::size_type slash = bus.find_last_of("/\\");
    parent = slash == std::string::npos ? std::string(".") : bus.substr(0, slash + 1);
    busName = slash == std::string::npos ? bus : bus.substr(slash + 1);
}

void SimWatcher::NativeDeleter::operator()(Native *native) const
{
    delete native;
}

bool SimWatcher::start()
{
    native_.reset(new Native(*this));
    Native &native = *native_;
    native.done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (native.done == nullptr)
        return false;
    if (native.arm())
        rescan(false);
    try {
        std::thread([&native] { native.run(); }).detach();
    } catch (const std::system_error &) {
        native.disarm();
        return false;
    }
    return true;
}

void SimWatcher::Native::run()
{
    for (;;) {
        if (directory == INVALID_HANDLE_VALUE) {
            ::Sleep(kRearmIntervalMs);
            if (arm()) {
                busAway = false;
                owner.rescan(true);
            }
            continue;
        }
        DWORD length = 0;
        if (::WaitForSingleObject(done, INFINITE) != WAIT_OBJECT_0
            || !::GetOverlappedResult(directory, &pending, &length, FALSE)) {
            disarm();
            continue;
        }
        handle(length);
        if (!request())
            disarm();
    }
}

bool SimWatcher::Native::arm()
{
    directory = ::CreateFileA(parent.c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (directory == INVALID_HANDLE_VALUE)
        return false;
    if (!request()) {
        disarm();
        return false;
    }
    return true;
}

bool SimWatcher::Native::request()
{
    ::ResetEvent(done);
    pending = OVERLAPPED{};
    pending.hEvent = done;
    return ::ReadDirectoryChangesW(directory, buffer, sizeof buffer, TRUE, FILE_NOTIFY_CHANGE_DIR_NAME,
                                   nullptr, &pending, nullptr);
}

void SimWatcher::Native::disarm()
{
    if (directory != INVALID_HANDLE_VALUE) {
        ::CancelIo(directory);
        ::CloseHandle(directory);
    }
    directory = INVALID_HANDLE_VALUE;
}

void SimWatcher::Native::handle(DWORD length)
{
    // An empty result means the changes did not fit: only a rescan can say
    // what the bus holds now.
    if (length == 0) {
        owner.rescan(true);
        return;
    }
    for (DWORD offset = 0;;) {
        const auto &entry = *reinterpret_cast<const FILE_NOTIFY_INFORMATION *>(buffer + offset);
        handle(asciiName(entry), entry.Action);
        if (entry.NextEntryOffset == 0)
            return;
        offset += entry.NextEntryOffset;
    }
}

void SimWatcher::Native::handle(const std::string &name, DWORD action)
{
    const bool appeared = action == FILE_ACTION_ADDED || action == FILE_ACTION_RENAMED_NEW_NAME;
    const bool disappeared = action == FILE_ACTION_REMOVED || action == FILE_ACTION_RENAMED_OLD_NAME;
    // The bus coming back, by creation or by a move, may bring adapters along;
    // while it is away its adapters are not watched, as on Linux.
    if (name == busName) {
        if (appeared || disappeared)
            busAway = disappeared;
        if (appeared)
            owner.rescan(true);
        return;
    }
    // A moved folder's subtree may still be reported under its old name.
    if (busAway)
        return;
    // Only directories right inside the bus are adapters: board state and
    // other folders inside adapter directories are not. Only directory names
    // are watched, so plain files never get here.
    if (name.compare(0, busName.size() + 1, busName + '\\') != 0)
        return;
    const int index = adapterIndexFromDirName(name.c_str() + busName.size() + 1);
    if (index < 0)
        return;
    if (appeared)
        owner.setPresent(static_cast<unsigned>(index), true);
    else if (disappeared)
        owner.setPresent(static_cast<unsigned>(index), false);
}

}
