#include "app/fixedjob.h"

#include "engine/imagefile.h"
#include "feldmoor/projectfacts.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString partOfIdcode(std::optional<quint32> idcode)
{
    const feldmoor::PartFacts *part = idcode ? feldmoor::findPartByIdcode(*idcode) : nullptr;
    return part ? QLatin1String(part->name) : QString();
}

} // namespace

FixedJob fixJob(const DownloadRequest &request, const AdapterSelection &adapter, const QString &program)
{
    FixedJob job;
    job.request = request;
    job.adapter = adapter;
    job.program = program;
    job.fileSize = QFileInfo(request.filePath).size();
    QFile file(request.filePath);
    if (request.filePath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return job;
    if (request.kind == FileKind::Bin) {
        job.imagePart = partOfIdcode(engine::binImageIdcode(file.read(64 * 1024)));
    } else {
        const std::optional<QString> field = engine::bitFilePart(file.readAll());
        if (field)
            job.bitPart = engine::cataloguePartOfBitField(*field);
    }
    return job;
}

engine::JobRequest changedSectorsRequest(const FixedJob &job)
{
    engine::JobRequest request;
    request.mode = engine::JobRequest::Mode::Load;
    request.load = job.request;
    request.adapter = job.adapter;
    request.adapterKey = job.adapterKey;
    request.fileSize = job.fileSize;
    request.sourceFile = QFileInfo(job.request.filePath).absoluteFilePath();
    request.expectedPart = job.imagePart.isEmpty() ? job.request.partName : job.imagePart;
    request.force = true;
    request.flash.full = false;
    request.flash.reload = true;
    return request;
}
