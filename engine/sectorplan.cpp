#include "engine/sectorplan.h"


namespace engine {

namespace {

bool allErased(const char *bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] != '\xff')
            return false;
    }
    return true;
}

QByteArray withoutTrailingErased(QByteArray bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && bytes.at(end - 1) == '\xff')
        --end;
    bytes.truncate(end);
    return bytes;
}

} // namespace

SectorSummary SectorPlan::summary() const
{
    SectorSummary counts;
    counts.sectors = int(sectors.size());
    counts.offset = offset;
    for (const SectorWork &work : sectors) {
        if (work.action == SectorAction::Unchanged)
            ++counts.unchanged;
        else if (work.action == SectorAction::Program)
            ++counts.programmed;
        else
            ++counts.erased;
        if (work.restored > 0) {
            counts.restoredSectors << work.index;
            counts.restoredBytes += quint64(work.restored);
        }
    }
    return counts;
}

qint64 SectorPlan::bytesToProgram() const
{
    qint64 total = 0;
    for (const SectorWork &work : sectors)
        total += work.bytes.size();
    return total;
}

SectorPlan planSectors(const QByteArray &image, const QByteArray &flash, quint64 offset, quint64 sectorSize,
                       const QMap<quint32, QByteArray> &kept)
{
    SectorPlan plan;
    plan.offset = offset;
    plan.sectorSize = sectorSize;
    const qsizetype size = qsizetype(sectorSize);
    for (qsizetype start = 0; start < image.size(); start += size) {
        const qsizetype inImage = qMin(size, image.size() - start);
        SectorWork work;
        work.index = quint32((offset + quint64(start)) / sectorSize);
        work.address = offset + quint64(start);
        const QByteArray wanted = image.mid(start, inImage);
        const QByteArray held = flash.mid(start, size);
        // The rest of the sector after the image goes back as it was.
        QByteArray after = held.mid(inImage);
        if (const auto old = kept.constFind(work.index); old != kept.cend() && old->size() == held.size()) {
            const QByteArray before = old->mid(inImage);
            for (qsizetype i = 0; i < after.size(); ++i)
                work.restored += before.at(i) != after.at(i) ? 1 : 0;
            after = before;
        }
        if (held.left(inImage) == wanted && work.restored == 0) {
            work.action = SectorAction::Unchanged;
        } else if (allErased(held.constData(), work.restored > 0 ? held.size() : inImage)) {
            work.action = SectorAction::Program;
            work.bytes = withoutTrailingErased(work.restored > 0 ? wanted + after : wanted);
        } else {
            work.action = SectorAction::EraseProgram;
            work.bytes = withoutTrailingErased(wanted + after);
            work.before = held.left(inImage) + after;
        }
        plan.sectors << work;
    }
    return plan;
}

} // namespace engine
