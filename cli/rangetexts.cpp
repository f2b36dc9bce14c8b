#include "cli/rangetexts.h"

#include "engine/bytecount.h"

namespace cli {

using namespace engine;

namespace {

QString address(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

// "--offset 0x10000 --size 0x20000": how the user would ask for `range`.
QString optionsText(const FlashRange &range)
{
    return QStringLiteral("--offset 0x%1 --size 0x%2").arg(range.offset, 0, 16).arg(range.size, 0, 16);
}

} // namespace

QString rangeText(const FlashRange &range)
{
    return address(range.offset) + QLatin1String("..") + address(range.end() - 1);
}

QString sectorsText(const FlashGeometry &flash, const FlashRange &range)
{
    const FlashRange cover = sectorCover(flash, range);
    const quint64 first = cover.offset / flash.sectorSize;
    const quint64 last = cover.end() / flash.sectorSize - 1;
    const QString sectors = first == last ? QStringLiteral("sector %1").arg(first)
                                          : QStringLiteral("sectors %1 to %2").arg(first).arg(last);
    return sectors + QLatin1String(" (") + rangeText(cover) + QLatin1Char(')');
}

QString rangeProblemText(const RangeProblem &problem)
{
    const FlashGeometry &flash = problem.flash;
    const FlashRange &range = problem.range;
    switch (problem.reason) {
    case RangeProblem::Reason::StartsPastEnd:
        return QStringLiteral("%1 is past the flash's end: it holds %2 (0x%3 bytes), its last address is %4")
            .arg(address(range.offset), byteSize(qint64(flash.size)))
            .arg(flash.size, 0, 16)
            .arg(address(flash.size - 1));
    case RangeProblem::Reason::RunsPastEnd:
        return QStringLiteral("%1 (%2 bytes) runs past the flash's end: it holds %3, its last address is %4")
            .arg(rangeText(range))
            .arg(range.size)
            .arg(byteSize(qint64(flash.size)), address(flash.size - 1));
    case RangeProblem::Reason::EraseNotAligned:
    case RangeProblem::Reason::WriteNotOnSector:
        break;
    }
    const QString sectors = QLatin1String("sectors of ") + byteSize(qint64(flash.sectorSize));
    const FlashRange cover = sectorCover(flash, range);
    if (problem.reason == RangeProblem::Reason::EraseNotAligned)
        return QStringLiteral("%1 is not sector-aligned (%2): the nearest aligned range that covers it is %3 (%4)")
            .arg(rangeText(range), sectors, rangeText(cover), optionsText(cover));
    const FlashRange lost{cover.offset, range.offset - cover.offset};
    const quint64 above = cover.offset + flash.sectorSize;
    const QString nearest = above + range.size <= flash.size
                                ? QLatin1String("offsets are ") + address(cover.offset) + QLatin1String(" and ") +
                                      address(above)
                                : QLatin1String("offset is ") + address(cover.offset);
    return QStringLiteral("an image at %1 does not start on a sector (%2): erasing its first sector would lose "
                          "%3; the nearest aligned %4")
        .arg(address(range.offset), sectors, rangeText(lost), nearest);
}

} // namespace cli
