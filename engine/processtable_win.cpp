#include "engine/processtable.h"

#include <windows.h>
#include <tlhelp32.h>

namespace engine {

QList<ProcessEntry> processesNamed(const QString &name)
{
    QList<ProcessEntry> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        // Image names compare as taskkill's -im does, without regard to case.
        if (QString::fromWCharArray(entry.szExeFile).compare(name, Qt::CaseInsensitive) == 0)
            found << ProcessEntry{qint64(entry.th32ProcessID), qint64(entry.th32ParentProcessID)};
    }
    CloseHandle(snapshot);
    return found;
}

bool processAlive(qint64 pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return false;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return alive;
}

QString processStarted(qint64 pid)
{
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return QString();
    FILETIME created{}, exited{}, kernel{}, user{};
    const bool known = GetProcessTimes(process, &created, &exited, &kernel, &user);
    CloseHandle(process);
    if (!known)
        return QString();
    return QString::number((quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime);
}

qint64 ownPid()
{
    return qint64(GetCurrentProcessId());
}

} // namespace engine
