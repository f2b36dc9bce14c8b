#include "engine/flashgeometry.h"

#include "engine/bytecount.h"

#include <QRegularExpression>

namespace engine {

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

std::optional<FlashGeometry> flashGeometry(const QString &toolLog)
{
    static const QRegularExpression bank(
        QStringLiteral("^#0 : .*\\bat 0x[0-9a-fA-F]+, size 0x([0-9a-fA-F]+)"), QRegularExpression::MultilineOption);
    static const QRegularExpression sectorLine(QStringLiteral("^\\s*#\\s*([0-9]+): 0x([0-9a-fA-F]+) \\(0x([0-9a-fA-F]+)"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression sectorSize(QStringLiteral("\\bsector size = ([0-9]+) kbytes"));

    const QRegularExpressionMatch bankMatch = bank.match(toolLog);
    if (!bankMatch.hasMatch())
        return std::nullopt;
    FlashGeometry flash;
    flash.size = bankMatch.captured(1).toULongLong(nullptr, 16);
    if (flash.size == 0)
        return std::nullopt;

    // The table must be whole: sector N at N sector sizes, and all of them.
    quint64 next = 0;
    qint64 count = 0;
    for (QRegularExpressionMatchIterator it = sectorLine.globalMatch(toolLog); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const quint64 index = match.captured(1).toULongLong();
        const quint64 offset = match.captured(2).toULongLong(nullptr, 16);
        const quint64 size = match.captured(3).toULongLong(nullptr, 16);
        if (count == 0)
            flash.sectorSize = size;
        if (index != quint64(count) || offset != next || size != flash.sectorSize || size == 0)
            return std::nullopt;
        next += size;
        ++count;
    }
    if (count > 0)
        return next == flash.size ? std::optional<FlashGeometry>(flash) : std::nullopt;
    const QRegularExpressionMatch sizeMatch = sectorSize.match(toolLog);
    if (!sizeMatch.hasMatch())
        return flash;
    flash.sectorSize = sizeMatch.captured(1).toULongLong() * 1024;
    if (flash.sectorSize == 0 || flash.size % flash.sectorSize != 0)
        return std::nullopt;
    return flash;
}

FlashRange sectorCover(const FlashGeometry &flash, const FlashRange &range)
{
    const quint64 start = range.offset / flash.sectorSize * flash.sectorSize;
    const quint64 end = (range.end() + flash.sectorSize - 1) / flash.sectorSize * flash.sectorSize;
    return {start, end - start};
}

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

QString flashRangeProblem(const FlashGeometry &flash, const FlashRange &range, RangeUse use)
{
    if (range.offset >= flash.size)
        return QStringLiteral("%1 is past the flash's end: it holds %2 (0x%3 bytes), its last address is %4")
            .arg(address(range.offset), byteSize(qint64(flash.size)))
            .arg(flash.size, 0, 16)
            .arg(address(flash.size - 1));
    if (range.end() > flash.size)
        return QStringLiteral("%1 (%2 bytes) runs past the flash's end: it holds %3, its last address is %4")
            .arg(rangeText(range))
            .arg(range.size)
            .arg(byteSize(qint64(flash.size)), address(flash.size - 1));
    if (use == RangeUse::Read || !flash.knowsSectors())
        return QString();
    const QString sectors = QLatin1String("sectors of ") + byteSize(qint64(flash.sectorSize));
    const FlashRange cover = sectorCover(flash, range);
    if (use == RangeUse::Erase && (cover.offset != range.offset || cover.size != range.size))
        return QStringLiteral("%1 is not sector-aligned (%2): the nearest aligned range that covers it is %3 (%4)")
            .arg(rangeText(range), sectors, rangeText(cover), optionsText(cover));
    if (use == RangeUse::Write && cover.offset != range.offset) {
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
    return QString();
}

} // namespace engine
