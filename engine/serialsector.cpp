#include "engine/serialsector.h"

#include "engine/flashstepparts.h"
#include "engine/bytecount.h"

#include "download/commandpieces.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace engine {

namespace {

quint64 roundUp(quint64 value, quint64 unit)
{
    return (value + unit - 1) / unit * unit;
}

// The serial starts within the image's read-back: it is read and planned
// with the image.
bool besideImage(const SerialWrite &serial, quint64 offset, quint64 imageRead)
{
    return serial.address >= offset && serial.address < offset + imageRead;
}

// The bytes from `begin` to `end` as they are to stay: what `from` (read
// from `fromAddress`) holds, or for a sector a cut-off write erased, what
// it held before; the serial's own bytes laid over them.
QByteArray keptBytes(const SerialWrite &serial, const QByteArray &from, quint64 fromAddress, quint64 begin,
                     quint64 end, quint64 sectorSize, const QMap<quint32, QByteArray> &kept)
{
    QByteArray bytes(qsizetype(end - begin), '\xff');
    for (quint64 at = begin; at < end; ++at) {
        const quint32 sector = quint32(at / sectorSize);
        const auto old = kept.constFind(sector);
        char byte;
        if (old != kept.cend() && quint64(old->size()) == sectorSize)
            byte = old->at(qsizetype(at - quint64(sector) * sectorSize));
        else
            byte = from.at(qsizetype(at - fromAddress));
        if (at >= serial.address && at < serial.end())
            byte = serial.bytes.at(qsizetype(at - serial.address));
        bytes[qsizetype(at - begin)] = byte;
    }
    return bytes;
}

} // namespace

quint64 readBackSize(const JobRequest &request, quint64 unit)
{
    const quint64 image = roundUp(quint64(request.fileSize), unit);
    const std::optional<SerialWrite> &serial = request.flash.serial;
    const quint64 offset = request.flash.offset.value_or(0);
    if (!serial || !besideImage(*serial, offset, image))
        return image;
    return std::max(image, roundUp(serial->end() - offset, unit));
}

std::optional<FlashRange> serialReadRange(const JobRequest &request, const FlashRange &imageRead, quint64 unit)
{
    const std::optional<SerialWrite> &serial = request.flash.serial;
    if (!serial || besideImage(*serial, imageRead.offset, imageRead.size))
        return std::nullopt;
    const quint64 first = serial->address / unit * unit;
    return FlashRange{first, roundUp(serial->end(), unit) - first};
}

std::optional<Verdict> serialPlaceRefusal(const JobRequest &request, const FlashGeometry &flash)
{
    const std::optional<SerialWrite> &serial = request.flash.serial;
    if (!serial)
        return std::nullopt;
    const quint64 offset = request.flash.offset.value_or(0);
    OutcomeKind kind;
    if (serial->end() > flash.size)
        kind = OutcomeKind::SerialPastFlash;
    else if (serial->address < offset + quint64(request.fileSize) && serial->end() > offset)
        kind = OutcomeKind::SerialInImage;
    else
        return std::nullopt;
    Outcome refusal = outcomeOf(request, kind, StepKind::SectorRead);
    refusal.flash = flash;
    refusal.address = serial->address;
    refusal.asked = quint64(serial->bytes.size());
    return Verdict::done(refusal);
}

std::optional<Verdict> serialPlaceRefusal(const JobRequest &request, const QString &output)
{
    const std::optional<FlashGeometry> flash = flashGeometry(output);
    if (!flash)
        return std::nullopt;
    return serialPlaceRefusal(request, *flash);
}

SectorPlan planWithSerial(const JobRequest &request, const QByteArray &image, const QByteArray &held,
                          const QByteArray &serialHeld, const FlashRange &serialRead, quint64 offset,
                          quint64 sectorSize, const QMap<quint32, QByteArray> &kept)
{
    const std::optional<SerialWrite> &serial = request.flash.serial;
    if (!serial)
        return planSectors(image, held, offset, sectorSize, kept);
    if (serialHeld.isEmpty()) {
        // Beside the image: the image runs on to the serial's end, over what
        // the flash holds between them.
        const quint64 imageEnd = offset + quint64(image.size());
        const QByteArray wanted =
            image + keptBytes(*serial, held, offset, imageEnd, serial->end(), sectorSize, kept);
        return planSectors(wanted, held, offset, sectorSize, kept);
    }
    SectorPlan plan = planSectors(image, held, offset, sectorSize, kept);
    for (quint64 start = serial->address / sectorSize * sectorSize; start < serial->end(); start += sectorSize) {
        const QByteArray sectorHeld = serialHeld.mid(qsizetype(start - serialRead.offset), qsizetype(sectorSize));
        const quint64 end = std::min(start + sectorSize, serial->end());
        const QByteArray wanted = keptBytes(*serial, serialHeld, serialRead.offset, start, end, sectorSize, kept);
        plan.sectors << planSectors(wanted, sectorHeld, start, sectorSize, kept).sectors;
    }
    std::sort(plan.sectors.begin(), plan.sectors.end(),
              [](const SectorWork &a, const SectorWork &b) { return a.address < b.address; });
    return plan;
}

std::optional<Verdict> addSerialVerify(const JobRequest &request, const SectorPlan &plan,
                                       const std::function<bool(const SectorWork &)> &verified,
                                       const QString &folder, const QString &folderWord, QStringList &pieces)
{
    const std::optional<SerialWrite> &serial = request.flash.serial;
    if (!serial || plan.sectorSize == 0)
        return std::nullopt;
    // Each line of a run costs its time: a read back the write makes anyway
    // is not made twice.
    const quint32 first = quint32(serial->address / plan.sectorSize);
    const quint32 last = quint32((serial->end() - 1) / plan.sectorSize);
    const bool covered = std::all_of(plan.sectors.begin(), plan.sectors.end(), [&](const SectorWork &work) {
        return work.index < first || work.index > last || verified(work);
    });
    const bool held = std::count_if(plan.sectors.begin(), plan.sectors.end(), [&](const SectorWork &work) {
                          return work.index >= first && work.index <= last;
                      }) == qsizetype(last - first + 1);
    if (covered && held)
        return std::nullopt;
    const QString name = QStringLiteral("serial.bin");
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(serial->bytes) != serial->bytes.size())
        return hostFileFailed(request, StepKind::FlashWrite, HostFile::SectorFile, file.fileName(), file.errorString());
    pieces << commandpiece::flashVerifyBank(folderWord + name, quint32(serial->address));
    return std::nullopt;
}

} // namespace engine
