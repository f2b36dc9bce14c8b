#include "processcontrol.h"

#include <windows.h>
#include <tlhelp32.h>

void killFromOutside(qint64 pid)
{
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (process == nullptr)
        return;
    // An exception status, as a process that died rather than exited has.
    ::TerminateProcess(process, 0xC000013A);
    ::CloseHandle(process);
}

bool processExists(qint64 pid)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (process == nullptr)
        return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

QList<qint64> childProcesses(qint64 parent)
{
    QList<qint64> children;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == DWORD(parent) && processExists(entry.th32ProcessID))
            children << qint64(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return children;
}
