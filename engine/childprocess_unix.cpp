#include "engine/childprocess.h"

#include <csignal>
#include <unistd.h>

namespace engine {

void detachChildFromConsoleInterrupts(QProcess &process)
{
    process.setChildProcessModifier([] {
        // Its own process group keeps the terminal's Ctrl-C from reaching it;
        // a mask blocked by the parent would otherwise be inherited.
        setpgid(0, 0);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
    });
}

bool endedByKill(QProcess::ExitStatus status, int exitCode)
{
    // A crashed child's exit code is the signal that ended it.
    return status == QProcess::CrashExit && (exitCode == SIGKILL || exitCode == SIGTERM);
}

} // namespace engine
