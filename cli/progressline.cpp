#include "cli/progressline.h"

#include "engine/bytecount.h"

#include <QtGlobal>

namespace cli {

using namespace engine;

using engine::byteSize;

QString progressLine(qint64 bytes, qint64 total, int percent, double elapsedSeconds, int barWidth)
{
    const int filled = qBound(0, percent * barWidth / 100, barWidth);
    QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char(' ')) +
                   QLatin1String("] ") + QStringLiteral("%1 %").arg(percent, 3) + QLatin1String("  ") +
                   byteSize(bytes) + QLatin1String(" / ") + byteSize(total);
    if (elapsedSeconds > 0.2 && bytes > 0) {
        const double rate = bytes / elapsedSeconds;
        const qint64 left = qRound64((total - bytes) / rate);
        line += QLatin1String("  ") + byteSize(qRound64(rate)) + QLatin1String("/s  ") +
                QStringLiteral("%1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

} // namespace cli
