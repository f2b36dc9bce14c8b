#include "download/killcommand.h"

KillCommand openocdKillCommand(const SparedTools &tools)
{
    // A stuck OpenOCD keeps the adapter claimed; a polite request may never
    // be answered, so the processes are ended by force.
    if (!tools.loaderLive && tools.spared.isEmpty())
        return { QStringLiteral("pkill"),
                 { QStringLiteral("-KILL"), QStringLiteral("-x"), QStringLiteral("openocd.exe") } };
    if (tools.others.isEmpty())
        return {};
    // pkill cannot leave some out: the others are named one by one.
    QStringList arguments{QStringLiteral("-KILL"), QStringLiteral("--")};
    for (const qint64 pid : tools.others)
        arguments << QString::number(pid);
    return { QStringLiteral("kill"), arguments };
}
