#include "processcontrol.h"

#include <signal.h>

void killFromOutside(qint64 pid)
{
    ::kill(pid_t(pid), SIGKILL);
}

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}
