#include "download/commandcomposition.h"

QString openocdProgramPath(const QString &applicationDir)
{
    return applicationDir + QLatin1String("/OpenOCD_QB562/bin/openocd.exe");
}
