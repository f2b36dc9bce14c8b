#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/jobobserver.h"
#include "engine/scratchfile.h"
#include "engine/sectorplan.h"
#include "engine/serialsector.h"
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
    return {offset, readBackSize(request, kReadUnit)};
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
    const auto serialDump = std::make_shared<ScratchFile>();
    Step step;
    step.kind = StepKind::SectorRead;
    // What a dry run can show: the run after it depends on what it finds.
    step.primary = true;
    const FlashRange read = readBackRange(request);
    step.dryRunRange = read;
    const std::optional<FlashRange> serialRead = serialReadRange(request, read, kReadUnit);
    step.prepare = [request, dump, serialDump, read, serialRead](Step &self,
                                                                 const JobState &state) -> std::optional<Verdict> {
        QString error;
        const QString pattern = scratchPrefix() + QLatin1String("sectors-XXXXXX.bin");
        if (!dump->create(QDir::tempPath(), pattern, QByteArray(), error) ||
            (serialRead && !serialDump->create(QDir::tempPath(), pattern, QByteArray(), error)))
            return hostFileFailed(request, StepKind::SectorRead, HostFile::SectorDump,
                                  QDir::toNativeSeparators(QDir::tempPath()), error);
        QStringList pieces{piece::flashBanks(), piece::flashInfo(),
                           piece::flashReadBank(dump->path(), quint32(read.offset), quint32(read.size))};
        if (serialRead)
            pieces << piece::flashReadBank(serialDump->path(), quint32(serialRead->offset), quint32(serialRead->size));
        self.command = flashCommand(request, state, pieces);
        return std::nullopt;
    };
    step.release = [dump, serialDump] {
        dump->remove();
        serialDump->remove();
    };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> serial = serialPlaceRefusal(request, output))
            return serial;
        if (const std::optional<Verdict> range = writeRangeProblem(request, output))
            return range;
        return flashRangeRefusal(request, output, StepKind::SectorRead);
    };
    step.judge = [request, dump, serialDump, read, serialRead](const QString &output, JobState &state,
                                                               JobObserver &reporter) {
        state.flash = flashGeometry(output);
        if (!state.flash || !state.flash->knowsSectors())
            return Verdict::done(flashOutcome(request, state, OutcomeKind::NoFlashGeometry, StepKind::SectorRead));
        const FlashRange range = flashJobRange(request, *state.flash);
        if (const std::optional<RangeProblem> problem = flashRangeProblem(*state.flash, range, RangeUse::Write))
            return rangeRefusal(request, *problem, StepKind::SectorRead);
        if (const std::optional<Verdict> serial = serialPlaceRefusal(request, *state.flash))
            return *serial;
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
        QByteArray serialHeld;
        if (serialRead) {
            QFile serialFile(serialDump->path());
            if (!serialFile.open(QIODevice::ReadOnly) || quint64(serialFile.size()) != serialRead->size) {
                Outcome shortRead = flashOutcome(request, state, OutcomeKind::DumpShort, StepKind::SectorRead);
                shortRead.held = quint64(std::max<qint64>(0, serialFile.size()));
                shortRead.asked = serialRead->size;
                return Verdict::done(shortRead);
            }
            serialHeld = serialFile.readAll();
        }
        const SectorPlan plan = planWithSerial(request, image.readAll(), held.readAll(), serialHeld,
                                               serialRead.value_or(FlashRange{}), range.offset,
                                               state.flash->sectorSize, kept);
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
