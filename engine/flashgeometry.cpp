#include "engine/flashgeometry.h"

#include <QRegularExpression>

namespace engine {

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

std::optional<RangeProblem> flashRangeProblem(const FlashGeometry &flash, const FlashRange &range, RangeUse use)
{
    using Reason = RangeProblem::Reason;
    if (range.offset >= flash.size)
        return RangeProblem{Reason::StartsPastEnd, flash, range};
    if (range.end() > flash.size)
        return RangeProblem{Reason::RunsPastEnd, flash, range};
    if (use == RangeUse::Read || !flash.knowsSectors())
        return std::nullopt;
    const FlashRange cover = sectorCover(flash, range);
    if (use == RangeUse::Erase && (cover.offset != range.offset || cover.size != range.size))
        return RangeProblem{Reason::EraseNotAligned, flash, range};
    if (use == RangeUse::Write && cover.offset != range.offset)
        return RangeProblem{Reason::WriteNotOnSector, flash, range};
    return std::nullopt;
}

} // namespace engine
