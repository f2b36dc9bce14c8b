#include "download/killcommand.h"

#include <QtGlobal>

KillCommand openocdKillCommand()
{
    // A stuck OpenOCD keeps the adapter claimed; a polite request may never
    // be answered, so the processes are ended by force.
#ifdef Q_OS_WIN
    return { QStringLiteral("cmd.exe"),
             { QStringLiteral("/c"), QStringLiteral("taskkill"), QStringLiteral("-im"),
               QStringLiteral("openocd.exe"), QStringLiteral("-f") } };
#else
    return { QStringLiteral("pkill"),
             { QStringLiteral("-KILL"), QStringLiteral("-x"), QStringLiteral("openocd.exe") } };
#endif
}
