#include "download/killcommand.h"

KillCommand openocdKillCommand()
{
    // A stuck OpenOCD keeps the adapter claimed; a polite request may never
    // be answered, so the processes are ended by force.
    return { QStringLiteral("cmd.exe"),
             { QStringLiteral("/c"), QStringLiteral("taskkill"), QStringLiteral("-im"),
               QStringLiteral("openocd.exe"), QStringLiteral("-f") } };
}
