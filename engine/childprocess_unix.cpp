#include "engine/childprocess.h"

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace engine {

void prepareChild(QProcess &process)
{
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent] {
        // Its own process group keeps the terminal's Ctrl-C and hang-up from
        // reaching it; a mask blocked by the parent would otherwise be
        // inherited.
        setpgid(0, 0);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        // Killed when the thread that started it goes. A parent that died
        // before the request was made is not seen by it: the child is then
        // someone else's already, and must not start.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(127);
    });
}

bool endedByKill(QProcess::ExitStatus status, int exitCode)
{
    // A crashed child's exit code is the signal that ended it.
    return status == QProcess::CrashExit && (exitCode == SIGKILL || exitCode == SIGTERM);
}

} // namespace engine
