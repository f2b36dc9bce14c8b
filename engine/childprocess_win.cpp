#include "engine/childprocess.h"

#include <QObject>

#include <windows.h>

namespace engine {

void prepareChild(QProcess &process)
{
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_NEW_PROCESS_GROUP;
    });
    // A job that kills what it holds when its last handle closes: when the
    // QProcess goes, or when Windows closes this process's handles at its
    // end, however it ends.
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    QObject::connect(&process, &QProcess::started, &process, [job, child = &process] {
        const HANDLE handle = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(child->processId()));
        if (!handle)
            return;
        AssignProcessToJobObject(job, handle);
        CloseHandle(handle);
    });
    QObject::connect(&process, &QObject::destroyed, [job] { CloseHandle(job); });
}

bool endedByKill(QProcess::ExitStatus, int)
{
    return false;
}

} // namespace engine
