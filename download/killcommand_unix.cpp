#include "download/killcommand.h"

KillCommand openocdKillCommand()
{
    // A stuck OpenOCD keeps the adapter claimed; a polite request may never
    // be answered, so the processes are ended by force.
    return { QStringLiteral("pkill"),
             { QStringLiteral("-KILL"), QStringLiteral("-x"), QStringLiteral("openocd.exe") } };
}
