#include "processcontrol.h"

#include <windows.h>

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
