#include "cli/sectortexts.h"

#include "engine/sectorplan.h"

#include <QStringList>

namespace cli {

namespace {

QString count(int n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// "; sector 65 gets back the 30953 bytes after the image's end that a
// cut-off write had erased, from FILE".
QString restoredText(const engine::SectorSummary &summary)
{
    if (summary.restoredSectors.isEmpty())
        return QString();
    const bool one = summary.restoredSectors.size() == 1;
    return QStringLiteral("; %1 %2 %3 back the %4 bytes after the image's end that a cut-off write had erased, from %5")
        .arg(QLatin1String(one ? "sector" : "sectors"), sectorListText(summary.restoredSectors),
             QLatin1String(one ? "gets" : "get"))
        .arg(summary.restoredBytes)
        .arg(summary.restoredFiles.join(QLatin1String(", ")));
}

} // namespace

QString sectorListText(const QList<quint32> &sectors)
{
    QStringList runs;
    for (qsizetype i = 0; i < sectors.size();) {
        qsizetype j = i;
        while (j + 1 < sectors.size() && sectors.at(j + 1) == sectors.at(j) + 1)
            ++j;
        runs << (j == i ? QString::number(sectors.at(i))
                        : QStringLiteral("%1 to %2").arg(sectors.at(i)).arg(sectors.at(j)));
        i = j + 1;
    }
    return runs.join(QLatin1String(", "));
}

QString sectorSummaryText(const engine::SectorSummary &summary)
{
    if (summary.identical())
        return QLatin1String("flash already holds the image (") + count(summary.sectors, "sector", "sectors") +
               QLatin1String(" unchanged)") + restoredText(summary);
    return QStringLiteral("%1: %2 unchanged, %3 written without erase, %4 erased and written")
        .arg(count(summary.sectors, "sector", "sectors"))
        .arg(summary.unchanged)
        .arg(summary.programmed)
        .arg(summary.erased) +
           restoredText(summary);
}

QString sectorStoppedText(const engine::SectorWriteStopped &stopped)
{
    const quint64 start = stopped.currentAddress;
    const quint64 end = start + stopped.sectorSize - 1;
    return QStringLiteral("the flash write stopped at sector %1 (0x%2..0x%3), which may hold part of its new bytes; "
                          "the %4 before it %5 new bytes, the %6 after it still %7 old ones; the same load "
                          "again completes it%8")
        .arg(*stopped.current)
        .arg(start, 8, 16, QLatin1Char('0'))
        .arg(end, 8, 16, QLatin1Char('0'))
        .arg(count(stopped.done, "sector written", "sectors written"),
             QLatin1String(stopped.done == 1 ? "holds its" : "hold their"),
             count(stopped.remaining, "sector to change", "sectors to change"),
             QLatin1String(stopped.remaining == 1 ? "its" : "their"),
             stopped.keptFile.isEmpty()
                 ? QString()
                 : QLatin1String(", putting back the sector's old bytes outside the image, which are kept in ") +
                       stopped.keptFile);
}

} // namespace cli
