#include "engine/exitcodes.h"

namespace engine {

QString exitCodeTable()
{
    QString table = QStringLiteral("Exit codes:\n");
    for (const ExitCodeMeaning &meaning : kExitCodes)
        table += QStringLiteral("  %1 %2\n").arg(meaning.code, -4).arg(QLatin1String(meaning.help));
    return table;
}

} // namespace engine
