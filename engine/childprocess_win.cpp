#include "engine/childprocess.h"

#include <windows.h>

namespace engine {

void detachChildFromConsoleInterrupts(QProcess &process)
{
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_NEW_PROCESS_GROUP;
    });
}

bool endedByKill(QProcess::ExitStatus, int)
{
    return false;
}

} // namespace engine
