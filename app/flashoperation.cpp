#include "app/flashoperation.h"

#include "engine/imagefile.h"
#include "engine/mcsfile.h"
#include "engine/scratchfile.h"

#include "feldmoor/projectfacts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

QString partOfIdcode(std::optional<quint32> idcode)
{
    const feldmoor::PartFacts *part = idcode ? feldmoor::findPartByIdcode(*idcode) : nullptr;
    return part ? QLatin1String(part->name) : QString();
}

} // namespace

quint64 roundedToSectors(quint64 size)
{
    return (size + kFlashSectorSize - 1) / kFlashSectorSize * kFlashSectorSize;
}

FlashImageProblem readFlashImage(const QString &path, FlashImage &image)
{
    image = {};
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return FlashImageProblem::Unreadable;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return FlashImageProblem::Empty;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("bit")) {
        const std::optional<QString> field = engine::bitFilePart(bytes);
        const std::optional<QByteArray> payload = engine::bitFilePayload(bytes);
        if (!field || !payload)
            return FlashImageProblem::NotBit;
        image.bytes = *payload;
        image.part = engine::cataloguePartOfBitField(*field);
        return FlashImageProblem::None;
    }
    if (suffix == QLatin1String("mcs")) {
        const engine::McsImage parsed = engine::parseMcs(bytes);
        if (!parsed.ok() || parsed.bytes.isEmpty())
            return FlashImageProblem::NotMcs;
        image.bytes = parsed.bytes;
        image.offset = parsed.start;
    } else {
        image.bytes = bytes;
    }
    image.part = partOfIdcode(engine::binImageIdcode(image.bytes));
    return FlashImageProblem::None;
}

ReadTargetProblem readTargetProblem(const QString &path)
{
    QFileInfo target(path);
    if (target.isDir())
        return ReadTargetProblem::Folder;
    if (target.exists() && !target.isFile())
        return ReadTargetProblem::NotRegular;
    if (target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    if (target.exists() && !target.isWritable())
        return ReadTargetProblem::NotWritable;
    // The folder must take the file the image is read into first.
    engine::ScratchFile probe;
    QString error;
    if (!probe.create(target.absolutePath(), target.fileName() + QLatin1String(".XXXXXX.part"), QByteArray(), error))
        return ReadTargetProblem::NotWritable;
    return ReadTargetProblem::None;
}

std::optional<engine::FlashRange> operationRange(FlashOperation operation, const FlashImage *image)
{
    if (!image)
        return std::nullopt;
    const quint64 size = quint64(image->bytes.size());
    switch (operation) {
    case FlashOperation::Verify:
    case FlashOperation::ReadBack:
        return engine::FlashRange{image->offset, size};
    case FlashOperation::Erase:
    case FlashOperation::BlankCheck:
        break;
    }
    return engine::FlashRange{image->offset, roundedToSectors(size)};
}

engine::JobRequest flashOperationBase(const DownloadRequest &form, const AdapterSelection &adapter,
                                      const QString &adapterKey, const QString &file, const FlashImage *image)
{
    engine::JobRequest base;
    base.load.partName = form.partName;
    base.load.clockText = form.clockText;
    base.load.kind = FileKind::Bin;
    base.load.applicationDir = form.applicationDir;
    base.adapter = adapter;
    base.adapterKey = adapterKey;
    base.sourceFile = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
    const bool fileNamesPart = image && !image->part.isEmpty();
    base.expectedPart = fileNamesPart ? image->part : base.load.partName;
    base.claimSource = fileNamesPart ? QStringLiteral("the file") : QStringLiteral("the chosen part");
    return base;
}

engine::JobRequest flashOperationRequest(FlashOperation operation, const engine::JobRequest &base,
                                         const FlashImage *image, const QString &imagePath, const QString &target)
{
    using Mode = engine::JobRequest::Mode;
    engine::JobRequest request = base;
    request.load.kind = FileKind::Bin;
    request.load.filePath = operation == FlashOperation::Verify ? imagePath : QString();
    request.fileSize = image ? image->bytes.size() : 0;
    request.flash = {};
    // The window asked about a differing part before the job began.
    request.force = true;
    switch (operation) {
    case FlashOperation::Verify:
        request.mode = Mode::Verify;
        break;
    case FlashOperation::ReadBack:
        request.mode = Mode::Read;
        request.sourceFile = QFileInfo(target).absoluteFilePath();
        break;
    case FlashOperation::Erase:
        request.mode = Mode::Erase;
        break;
    case FlashOperation::BlankCheck:
        request.mode = Mode::BlankCheck;
        break;
    }
    if (const std::optional<engine::FlashRange> range = operationRange(operation, image)) {
        request.flash.offset = range->offset;
        if (operation != FlashOperation::Verify)
            request.flash.size = range->size;
    } else if (operation == FlashOperation::Erase) {
        // Sector by sector to the end, so that the tool tells the sectors.
        request.flash.offset = 0;
    }
    return request;
}

std::optional<FlashDifference> flashDifference(const QString &toolLog, quint64 sectorSize)
{
    static const QRegularExpression line(QStringLiteral("diff \\d+ address 0x([0-9a-fA-F]+)\\."),
                                         QRegularExpression::MultilineOption);
    FlashDifference difference;
    QSet<quint64> sectors;
    bool any = false;
    QRegularExpressionMatchIterator it = line.globalMatch(toolLog);
    while (it.hasNext()) {
        const quint64 address = it.next().captured(1).toULongLong(nullptr, 16);
        if (!any || address < difference.firstAddress)
            difference.firstAddress = address;
        any = true;
        sectors.insert(address / sectorSize);
    }
    if (!any)
        return std::nullopt;
    difference.sectors = int(sectors.size());
    difference.more = toolLog.contains(QLatin1String("More than 128 errors"));
    return difference;
}
