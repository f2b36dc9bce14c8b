#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/jobobserver.h"
#include "engine/scratchfile.h"
#include "engine/sectorplan.h"
#include "engine/statefolder.h"

#include "download/commandpieces.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <algorithm>
#include <memory>

namespace engine {

namespace piece = commandpiece;

namespace {

// The sectors read back before a write come in whole units of this size:
// the sector size is not known before the read run reports it, and 64 KiB
// is the erase block of the SPI NOR parts behind the proxies (a part with
// smaller sectors is covered too).
constexpr quint64 kReadUnit = 64 * 1024;

FlashRange readBackRange(const JobRequest &request)
{
    const quint64 offset = request.flash.offset.value_or(0);
    const quint64 size = (quint64(request.fileSize) + kReadUnit - 1) / kReadUnit * kReadUnit;
    return {offset, size};
}

// The write's range against what the read run reported, when it reported
// the flash: the reason it can't be written there.
std::optional<Verdict> writeRangeProblem(const JobRequest &request, const QString &output)
{
    const std::optional<FlashGeometry> flash = flashGeometry(output);
    if (!flash)
        return std::nullopt;
    const std::optional<RangeProblem> problem = flashRangeProblem(*flash, flashJobRange(request, *flash), RangeUse::Write);
    if (!problem)
        return std::nullopt;
    return rangeRefusal(request, *problem, StepKind::SectorRead);
}

} // namespace

// The read before a write: the flash's size and sectors, and the bytes of
// every sector the image covers, in one run; its judge compares them with
// the image on the host and plans the write.
Step sectorReadStep(const JobRequest &request)
{
    const auto dump = std::make_shared<ScratchFile>();
    Step step;
    step.kind = StepKind::SectorRead;
    // What a dry run can show: the run after it depends on what it finds.
    step.primary = true;
    const FlashRange read = readBackRange(request);
    step.dryRunRange = read;
    step.prepare = [request, dump, read](Step &self, const JobState &state) -> std::optional<Verdict> {
        QString error;
        if (!dump->create(QDir::tempPath(), scratchPrefix() + QLatin1String("sectors-XXXXXX.bin"), QByteArray(), error))
            return hostFileFailed(request, StepKind::SectorRead, HostFile::SectorDump,
                                  QDir::toNativeSeparators(QDir::tempPath()), error);
        self.command = flashCommand(request, state,
                                    {piece::flashBanks(), piece::flashInfo(),
                                     piece::flashReadBank(dump->path(), quint32(read.offset), quint32(read.size))});
        return std::nullopt;
    };
    step.release = [dump] { dump->remove(); };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = writeRangeProblem(request, output))
            return range;
        return flashRangeRefusal(request, output, StepKind::SectorRead);
    };
    step.judge = [request, dump, read](const QString &output, JobState &state, JobObserver &reporter) {
        state.flash = flashGeometry(output);
        if (!state.flash || !state.flash->knowsSectors())
            return Verdict::done(flashOutcome(request, state, OutcomeKind::NoFlashGeometry, StepKind::SectorRead));
        const FlashRange range = flashJobRange(request, *state.flash);
        if (const std::optional<RangeProblem> problem = flashRangeProblem(*state.flash, range, RangeUse::Write))
            return rangeRefusal(request, *problem, StepKind::SectorRead);
        if (kReadUnit % state.flash->sectorSize != 0) {
            Outcome unit = flashOutcome(request, state, OutcomeKind::SectorUnitMismatch, StepKind::SectorRead);
            unit.sectorSize = state.flash->sectorSize;
            unit.unit = kReadUnit;
            return Verdict::done(unit);
        }
        state.range = range;
        QFile held(dump->path());
        QFile image(request.load.filePath);
        if (!held.open(QIODevice::ReadOnly) || quint64(held.size()) != read.size) {
            Outcome shortRead = flashOutcome(request, state, OutcomeKind::DumpShort, StepKind::SectorRead);
            shortRead.held = quint64(std::max<qint64>(0, held.size()));
            shortRead.asked = read.size;
            return Verdict::done(shortRead);
        }
        if (!image.open(QIODevice::ReadOnly))
            return hostFileFailed(request, StepKind::SectorRead, HostFile::Image, request.load.filePath,
                                  image.errorString());
        // What a write of this same range, cut off on this adapter and
        // board, kept of the sectors it had erased: their bytes after the
        // image's end go back.
        QString error;
        const QString folder = stateFolder(error);
        const QList<KeptSectorFile> keptFiles =
            folder.isEmpty() ? QList<KeptSectorFile>() : keptSectorsOf(folder, recoveryOwner(request, state));
        QMap<quint32, QByteArray> kept;
        for (const KeptSectorFile &file : keptFiles)
            kept.insert(file.kept.sector, file.kept.bytes);
        const SectorPlan plan =
            planSectors(image.readAll(), held.readAll(), range.offset, state.flash->sectorSize, kept);
        state.sectors = plan;
        SectorSummary summary = plan.summary();
        for (const KeptSectorFile &file : keptFiles) {
            if (summary.restoredSectors.contains(file.kept.sector))
                summary.restoredFiles << QDir::toNativeSeparators(file.path);
        }
        reporter.sectorPlan(summary);
        return Verdict::next();
    };
    return step;
}

} // namespace engine
