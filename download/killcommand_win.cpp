#include "download/killcommand.h"

KillCommand openocdKillCommand(const SparedTools &tools)
{
    // A stuck OpenOCD keeps the adapter claimed; a polite request may never
    // be answered, so the processes are ended by force.
    KillCommand command{ QStringLiteral("cmd.exe"),
                         { QStringLiteral("/c"), QStringLiteral("taskkill"), QStringLiteral("-im"),
                           QStringLiteral("openocd.exe"), QStringLiteral("-f") } };
    for (const qint64 pid : tools.spared)
        command.arguments << QStringLiteral("/fi") << QStringLiteral("PID ne %1").arg(pid);
    return command;
}
