#include "download/killcommand.h"

KillCommand openocdKillCommand(const SparedTools &tools)
{
    // A stuck OpenOCD keeps the adapter claimed; a polite request may never
    // be answered, so the processes are ended by force.
    if (!tools.loaderLive && tools.spared.isEmpty())
        return { QStringLiteral("cmd.exe"),
                 { QStringLiteral("/c"), QStringLiteral("taskkill"), QStringLiteral("-im"),
                   QStringLiteral("openocd.exe"), QStringLiteral("-f") } };
    if (tools.others.isEmpty())
        return {};
    // Leaving some out by filter is not understood everywhere (Wine's
    // taskkill has no /fi): the others are named one by one.
    KillCommand command{ QStringLiteral("cmd.exe"), { QStringLiteral("/c"), QStringLiteral("taskkill"), QStringLiteral("-f") } };
    for (const qint64 pid : tools.others)
        command.arguments << QStringLiteral("-pid") << QString::number(pid);
    return command;
}
