#include "engine/flashsteps.h"

#include "engine/jobobserver.h"
#include "engine/scratchfile.h"
#include "engine/sectorrecovery.h"
#include "engine/statefolder.h"
#include "engine/toolcommands.h"
#include "engine/tooloutput.h"

#include "download/commandpieces.h"
#include "download/partfamily.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace engine {

namespace piece = commandpiece;

namespace {

using Mode = JobRequest::Mode;

// An outcome of a flash step, with the flash the tool reported.
Outcome flashOutcome(const JobRequest &request, const JobState &state, OutcomeKind kind, StepKind step)
{
    Outcome outcome = outcomeOf(request, kind, step);
    outcome.flash = state.flash;
    if (state.range)
        outcome.range = *state.range;
    return outcome;
}

// A host file the job could not make, write or put in place.
Verdict hostFileFailed(const JobRequest &request, StepKind step, HostFile file, const QString &path,
                       const QString &error)
{
    Outcome outcome = outcomeOf(request, OutcomeKind::HostFileFailed, step);
    outcome.hostFile = file;
    outcome.path = path;
    outcome.error = error;
    return Verdict::done(outcome);
}

// The range the command line gives without the flash's size: nothing for a
// read to the flash's end.
std::optional<FlashRange> requestedRange(const JobRequest &request)
{
    const quint64 offset = request.flash.offset.value_or(0);
    if (request.mode == Mode::Load || request.mode == Mode::Verify)
        return FlashRange{offset, quint64(request.fileSize)};
    if (request.flash.size)
        return FlashRange{offset, *request.flash.size};
    return std::nullopt;
}

RangeUse rangeUse(const JobRequest &request)
{
    switch (request.mode) {
    case Mode::Load:
        return RangeUse::Write;
    case Mode::Erase:
        return RangeUse::Erase;
    default:
        return RangeUse::Read;
    }
}

DownloadCommand flashCommand(const JobRequest &request, const JobState &state, const QStringList &pieces)
{
    return composeFlashCommand(commandLoad(request, state), request.adapter, pieces);
}

// The range, as the judge of the geometry run checked it.
FlashRange checkedRange(const JobRequest &request, const JobState &state)
{
    if (state.range)
        return *state.range;
    return requestedRange(request).value_or(FlashRange{});
}

// Whether the job's range must be checked against the sectors (`flash info
// 0`): an erase of a range, and a write at an offset other than 0, where
// every sector starts.
// The job's range refused, before anything is changed.
Verdict rangeRefusal(const JobRequest &request, const RangeProblem &problem, StepKind step)
{
    Outcome outcome = outcomeOf(request, OutcomeKind::RangeRefused, step);
    outcome.problem = problem;
    return Verdict::done(outcome);
}

bool needsSectors(const JobRequest &request)
{
    return (request.mode == Mode::Erase && !request.flash.whole) ||
           (request.mode == Mode::Load && request.flash.offset.value_or(0) != 0);
}

Step geometryStep(const JobRequest &request)
{
    const bool sectors = needsSectors(request);
    Step step;
    const StepKind kind = sectors ? StepKind::FlashGeometryRead : StepKind::FlashSizeRead;
    step.kind = kind;
    step.prepare = [request, sectors](Step &self, const JobState &state) -> std::optional<Verdict> {
        QStringList pieces{piece::flashBanks()};
        if (sectors)
            pieces << piece::flashInfo();
        self.command = flashCommand(request, state, pieces);
        return std::nullopt;
    };
    step.dryRunRange = requestedRange(request);
    step.judge = [request, sectors, kind](const QString &output, JobState &state, JobObserver &reporter) {
        state.flash = flashGeometry(output);
        if (!state.flash || (sectors && !state.flash->knowsSectors()))
            return Verdict::done(flashOutcome(request, state, OutcomeKind::NoFlashGeometry, kind));
        const FlashRange range = flashJobRange(request, *state.flash);
        if (const std::optional<RangeProblem> problem = flashRangeProblem(*state.flash, range, rangeUse(request)))
            return rangeRefusal(request, *problem, kind);
        state.range = range;
        if (request.mode == Mode::Load) {
            Notice notice;
            notice.kind = state.flash->knowsSectors() ? Notice::Kind::ErasingSectors : Notice::Kind::ErasingRange;
            notice.file = request.sourceFile;
            notice.fileSize = request.fileSize;
            notice.range = range;
            notice.flash = *state.flash;
            reporter.notice(notice);
        }
        return Verdict::next();
    };
    return step;
}

// One run: `flash banks`, then the read. OpenOCD refuses a range past the
// bank's end before reading anything, so no run before it is needed; the
// size it printed tells the judge how long the dump must be.
Step readStep(const JobRequest &request)
{
    const bool blankCheck = request.mode == Mode::BlankCheck;
    const auto dump = std::make_shared<ScratchFile>();
    Step step;
    const StepKind kind = blankCheck ? StepKind::BlankCheckRead : StepKind::FlashRead;
    step.kind = kind;
    step.primary = true;
    step.prepare = [request, dump, blankCheck, kind](Step &self, const JobState &state) -> std::optional<Verdict> {
        // Beside OUT, so that putting it in place is a rename; a blank
        // check's dump is the loader's alone.
        const QString folder = blankCheck ? QDir::tempPath() : QFileInfo(request.sourceFile).absolutePath();
        const QString pattern = blankCheck ? scratchPrefix() + QLatin1String("blank-XXXXXX.bin")
                                           : QFileInfo(request.sourceFile).fileName() + QLatin1String(".XXXXXX.part");
        QString error;
        if (!dump->create(folder, pattern, QByteArray(), error))
            return hostFileFailed(request, kind, HostFile::ReadDump, QDir::toNativeSeparators(folder), error);
        std::optional<quint32> length;
        if (request.flash.size)
            length = quint32(*request.flash.size);
        self.command = flashCommand(request, state,
                                    {piece::flashBanks(),
                                     piece::flashReadBank(dump->path(), quint32(request.flash.offset.value_or(0)), length)});
        return std::nullopt;
    };
    step.release = [dump] { dump->remove(); };
    step.explainFailure = [request, kind](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, kind))
            return range;
        return flashRangeRefusal(request, output, kind);
    };
    step.judge = [request, dump, blankCheck, kind](const QString &output, JobState &state, JobObserver &reporter) {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, kind))
            return *range;
        state.flash = flashGeometry(output);
        if (!state.flash)
            return Verdict::done(flashOutcome(request, state, OutcomeKind::NoFlashGeometry, kind));
        const FlashRange range = flashJobRange(request, *state.flash);
        state.range = range;
        QFile file(dump->path());
        if (!file.open(QIODevice::ReadOnly) || quint64(file.size()) != range.size) {
            Outcome shortDump = flashOutcome(request, state, OutcomeKind::DumpShort, kind);
            shortDump.held = quint64(std::max<qint64>(0, file.size()));
            shortDump.asked = range.size;
            return Verdict::done(shortDump);
        }
        const QString part = commandPart(request, state);
        if (blankCheck) {
            const BlankCheck check = scanBlank(file, range.offset);
            reporter.blankCheck(check);
            Outcome found = flashOutcome(request, state, check.nonBlank == 0 ? OutcomeKind::Blank : OutcomeKind::NotBlank,
                                         kind);
            found.part = part;
            found.blank = check;
            return Verdict::done(found);
        }
        file.close();
        QString error;
        if (!dump->moveOver(request.sourceFile, error))
            return hostFileFailed(request, kind, HostFile::DumpInPlace, request.sourceFile, error);
        Outcome read = flashOutcome(request, state, OutcomeKind::ReadDone, kind);
        read.part = part;
        return Verdict::done(read);
    };
    return step;
}

Step eraseStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::FlashErase;
    step.primary = true;
    // A sector that erases too fast is the window's restart rule.
    step.flashWrite = true;
    step.prepare = [request](Step &self, const JobState &state) -> std::optional<Verdict> {
        const FlashRange range = checkedRange(request, state);
        self.command = flashCommand(request, state,
                                    {request.flash.whole
                                         ? piece::flashEraseAll()
                                         : piece::flashEraseAddress(quint32(range.offset), quint32(range.size))});
        return std::nullopt;
    };
    step.explainFailure = [request](const QString &output) {
        return flashRangeRefusal(request, output, StepKind::FlashErase);
    };
    step.judge = [request](const QString &, JobState &state, JobObserver &) {
        Outcome erased = flashOutcome(request, state, OutcomeKind::Erased, StepKind::FlashErase);
        erased.part = commandPart(request, state);
        erased.range = checkedRange(request, state);
        return Verdict::done(erased);
    };
    return step;
}

// A flash write that ends without its reload.
Outcome writtenOutcome(const JobRequest &request, const JobState &state, const QString &part)
{
    Outcome written = flashOutcome(request, state, OutcomeKind::Written, StepKind::FlashWrite);
    written.part = part;
    written.range = checkedRange(request, state);
    written.wroteNothing = state.sectors && state.sectors->summary().identical();
    return written;
}

Step writeStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::FlashWrite;
    step.primary = true;
    step.flashWrite = true;
    step.progressTotal = request.fileSize;
    step.prepare = [request](Step &self, const JobState &state) -> std::optional<Verdict> {
        const quint32 offset = quint32(request.flash.offset.value_or(0));
        if (offset == 0 && request.flash.reload) {
            // The window's list, word for word (for the families it knows).
            const DownloadRequest load = commandLoad(request, state);
            self.command = composeLoadCommand(load, request.adapter, partFamily(load.partName));
            return std::nullopt;
        }
        QStringList pieces{piece::flashWrite(request.load.filePath, offset)};
        if (request.flash.reload)
            pieces << piece::reload(partFamily(commandPart(request, state)));
        self.command = flashCommand(request, state, pieces);
        return std::nullopt;
    };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = flashRangeRefusal(request, output, StepKind::FlashWrite))
            return range;
        if (output.contains(QLatin1String("contents differ")))
            return Verdict::settled(outcomeOf(request, OutcomeKind::WriteVerifyDiffers, StepKind::FlashWrite));
        // The write and its verify are whole; the reload after them failed.
        static const QRegularExpression written(QStringLiteral("wrote and verified \\d+ bytes|contents match"));
        if (request.flash.reload && written.match(output).hasMatch())
            return Verdict::settled(outcomeOf(request, OutcomeKind::ReloadAfterWriteFailed, StepKind::FlashWrite));
        return std::nullopt;
    };
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        if (const std::optional<ImageCutShort> cut = imageCutShort(output)) {
            const quint64 offset = request.flash.offset.value_or(0);
            Outcome cutShort = flashOutcome(request, state, OutcomeKind::ImageCutShort, StepKind::FlashWrite);
            cutShort.heldKnown = cut->heldFrom(offset);
            return Verdict::done(cutShort);
        }
        state.bytesWritten = request.fileSize;
        const QString part = commandPart(request, state);
        if (!request.flash.reload)
            return Verdict::done(writtenOutcome(request, state, part));
        return doneCheckOrEnd(request, state, part, StepKind::FlashWrite, reporter);
    };
    return step;
}

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

// Whose range the sectors a write keeps on the disk belong to.
RecoveryOwner recoveryOwner(const JobRequest &request, const JobState &state)
{
    const FlashRange range = checkedRange(request, state);
    return {request.adapterKey, state.boardIdcode.value_or(0), range.offset, range.size};
}

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

// Follows the write run's reports: which sectors of its plan are done, and
// how many bytes it programmed; and the files that keep the old contents of
// the sectors it erases, each removed once its sector holds its new bytes
// and they were checked.
struct WriteTracker {
    QList<SectorWork> work;  // the sectors to change, in the order they go
    QList<bool> erased;
    QList<bool> done;
    qint64 bytes = 0;
    qint64 total = 0;
    quint64 sectorSize = 0;
    QMap<quint32, QString> kept;       // sector -> the file keeping its old contents
    std::optional<qsizetype> checking;  // the sector whose verify runs now
    bool imageVerified = false;         // the whole image compared equal after the writes

    void reset(const SectorPlan &plan)
    {
        work.clear();
        for (const SectorWork &sector : plan.sectors) {
            if (sector.action != SectorAction::Unchanged)
                work << sector;
        }
        erased = QList<bool>(work.size(), false);
        done = QList<bool>(work.size(), false);
        bytes = 0;
        total = plan.bytesToProgram();
        sectorSize = plan.sectorSize;
        kept.clear();
        checking.reset();
        imageVerified = false;
    }

    // True when the line reports bytes programmed.
    bool take(const QString &line)
    {
        static const QRegularExpression wrote(
            QStringLiteral("^wrote (\\d+) bytes from file .* to flash bank 0 at offset 0x([0-9a-fA-F]+) in "));
        static const QRegularExpression erase(QStringLiteral("^erased sectors (\\d+) through (\\d+) on flash bank 0"));
        static const QRegularExpression compared(
            QStringLiteral("^read \\d+ bytes from file (.*) and flash bank 0 at offset 0x([0-9a-fA-F]+) in "));
        if (const QRegularExpressionMatch match = wrote.match(line); match.hasMatch()) {
            const quint64 address = match.captured(2).toULongLong(nullptr, 16);
            for (qsizetype i = 0; i < work.size(); ++i) {
                if (work.at(i).address == address && !done.at(i)) {
                    done[i] = true;
                    bytes += match.captured(1).toLongLong();
                    return true;
                }
            }
            return false;
        }
        if (const QRegularExpressionMatch match = erase.match(line); match.hasMatch()) {
            const quint32 first = match.captured(1).toUInt();
            const quint32 last = match.captured(2).toUInt();
            for (qsizetype i = 0; i < work.size(); ++i) {
                if (work.at(i).index < first || work.at(i).index > last)
                    continue;
                erased[i] = true;
                if (work.at(i).bytes.isEmpty())
                    done[i] = true;
            }
            return false;
        }
        if (const QRegularExpressionMatch match = compared.match(line); match.hasMatch()) {
            const quint64 address = match.captured(2).toULongLong(nullptr, 16);
            checking.reset();
            for (qsizetype i = 0; i < work.size(); ++i) {
                if (work.at(i).address == address && done.at(i) && kept.contains(work.at(i).index) &&
                    match.captured(1).endsWith(sectorFileName(work.at(i).index)))
                    checking = i;
            }
            return false;
        }
        if (line.startsWith(QLatin1String("contents match"))) {
            if (checking) {
                const QString file = kept.take(work.at(*checking).index);
                QFile::remove(file);
            } else {
                imageVerified = true;
            }
            checking.reset();
        }
        return false;
    }

    std::optional<SectorWriteStopped> stopped() const
    {
        SectorWriteStopped what;
        what.sectorSize = sectorSize;
        for (qsizetype i = 0; i < work.size(); ++i) {
            if (done.at(i)) {
                ++what.done;
            } else if (!what.current) {
                what.current = work.at(i).index;
                what.currentAddress = work.at(i).address;
                what.keptFile = QDir::toNativeSeparators(kept.value(work.at(i).index));
            } else {
                ++what.remaining;
            }
        }
        if (!what.current)
            return std::nullopt;
        return what;
    }

    // A cut-off write: the sectors it never came to still hold what their
    // files keep, unless those files hold bytes an earlier cut-off took
    // from them.
    void dropUnneededKept()
    {
        bool pastCurrent = false;
        for (qsizetype i = 0; i < work.size(); ++i) {
            if (done.at(i))
                continue;
            // The sector in hand keeps its file: its erase may have begun.
            if (pastCurrent && !erased.at(i) && work.at(i).restored == 0 && kept.contains(work.at(i).index))
                QFile::remove(kept.take(work.at(i).index));
            pastCurrent = true;
        }
    }

    QList<quint32> written() const
    {
        QList<quint32> sectors;
        for (qsizetype i = 0; i < work.size(); ++i) {
            if (done.at(i) || erased.at(i))
                sectors << work.at(i).index;
        }
        return sectors;
    }

    static QString sectorFileName(quint32 sector)
    {
        return QStringLiteral("s%1.bin").arg(sector, 5, 10, QLatin1Char('0'));
    }
};

// The write that the read planned: each sector that differs erased (when
// it must be) and programmed in turn, one command each, so that a write cut
// short leaves every sector but the one in hand old or new; then the whole
// image verified, and the reload. The proxy loaded by the read run is still
// in the FPGA, so this run only probes the bank.
Step sectorWriteStep(const JobRequest &request)
{
    const auto folder = std::make_shared<std::unique_ptr<QTemporaryDir>>();
    const auto tracker = std::make_shared<WriteTracker>();
    Step step;
    step.kind = StepKind::FlashWrite;
    step.flashWrite = true;
    step.prepare = [request, folder, tracker](Step &self, const JobState &state) -> std::optional<Verdict> {
        if (!state.sectors)
            return Verdict::done(outcomeOf(request, OutcomeKind::AwaitsSectorRead, StepKind::FlashWrite));
        const SectorPlan &plan = *state.sectors;
        tracker->reset(plan);
        self.progressTotal = plan.bytesToProgram();
        *folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(scratchPrefix() + QLatin1String("write-XXXXXX")));
        QTemporaryDir &dir = **folder;
        if (!dir.isValid())
            return hostFileFailed(request, StepKind::FlashWrite, HostFile::SectorFolder,
                                  QDir::toNativeSeparators(QDir::tempPath()), dir.errorString());
        // Each sector's old contents are on the disk before its erase; a
        // kept sector whose bytes go back stays there until its write is
        // checked.
        QString error;
        const QString stateDir = stateFolder(error);
        if (stateDir.isEmpty())
            return hostFileFailed(request, StepKind::FlashWrite, HostFile::StateFolder, QString(), error);
        const RecoveryOwner owner = recoveryOwner(request, state);
        for (const KeptSectorFile &file : keptSectorsOf(stateDir, owner))
            tracker->kept.insert(file.kept.sector, file.path);
        for (const SectorWork &work : tracker->work) {
            if (work.action != SectorAction::EraseProgram)
                continue;
            const QString path = QDir(stateDir).filePath(keptSectorFileName(owner, work.index));
            if (!writeDurably(path, encodeKeptSector({owner, work.index, work.address, work.before}), error)) {
                Verdict refusal = hostFileFailed(request, StepKind::FlashWrite, HostFile::KeptSector,
                                                 QDir::toNativeSeparators(path), error);
                refusal.outcome.sector = work.index;
                return refusal;
            }
            tracker->kept.insert(work.index, path);
        }
        QStringList pieces{piece::setVariable(QStringLiteral("d"), dir.path())};
        for (const SectorWork &work : tracker->work) {
            if (work.action == SectorAction::EraseProgram)
                pieces << piece::flashEraseSectors(work.index, work.index);
            if (work.bytes.isEmpty())
                continue;
            const QString name = WriteTracker::sectorFileName(work.index);
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(work.bytes) != work.bytes.size())
                return hostFileFailed(request, StepKind::FlashWrite, HostFile::SectorFile, file.fileName(),
                                      file.errorString());
            pieces << piece::flashWriteBank(QLatin1String("$d/") + name, quint32(work.address));
            if (tracker->kept.contains(work.index))
                pieces << piece::flashVerifyBank(QLatin1String("$d/") + name, quint32(work.address));
        }
        pieces << piece::flashVerify(request.load.filePath, quint32(plan.offset));
        if (request.flash.reload)
            pieces << piece::reload(partFamily(commandPart(request, state)));
        self.command = composeFlashCommandOnProxy(commandLoad(request, state), request.adapter, pieces);
        return std::nullopt;
    };
    step.release = [folder] { folder->reset(); };
    // Its list ends with the whole image's verify (the reload after it prints
    // nothing on the real tool); each sector's own check says "contents
    // match" too, so only the tracker tells the last one from those.
    step.reachedEnd = [tracker](const QString &) { return tracker->imageVerified; };
    step.onLine = [tracker](const QString &line, JobObserver &reporter) {
        if (tracker->take(line))
            reporter.progress(tracker->bytes, std::max<qint64>(1, tracker->total));
    };
    step.stopped = [tracker](JobState &state, JobObserver &reporter) {
        tracker->dropUnneededKept();
        state.sectorStopped = tracker->stopped();
        if (!state.sectorStopped)
            return true;
        reporter.sectorWriteStopped(*state.sectorStopped);
        return false;
    };
    step.explainFailure = [request, tracker](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = flashRangeRefusal(request, output, StepKind::FlashWrite))
            return range;
        static const QRegularExpression firstDiff(QStringLiteral("diff 0 address 0x([0-9a-fA-F]+)\\."));
        const QRegularExpressionMatch diff = firstDiff.match(output);
        // Written and verified; the reload after them failed.
        if (request.flash.reload && tracker->imageVerified)
            return Verdict::settled(outcomeOf(request, OutcomeKind::ReloadAfterWriteFailed, StepKind::FlashWrite));
        if (!output.contains(QLatin1String("contents differ")) || !diff.hasMatch())
            return std::nullopt;
        Outcome differs = outcomeOf(request, OutcomeKind::SectorVerifyDiffers, StepKind::FlashWrite);
        differs.address = diff.captured(1).toULongLong(nullptr, 16);
        differs.toolLine = diff.captured(1);
        differs.sectors = tracker->written();
        return Verdict::settled(differs);
    };
    step.judge = [request, tracker](const QString &, JobState &state, JobObserver &reporter) {
        state.bytesWritten = request.fileSize;
        state.contentsMatch = true;
        // The range holds the image, and its sectors what they kept after it.
        for (const QString &file : std::as_const(tracker->kept))
            QFile::remove(file);
        tracker->kept.clear();
        const QString part = commandPart(request, state);
        if (!request.flash.reload)
            return Verdict::done(writtenOutcome(request, state, part));
        return doneCheckOrEnd(request, state, part, StepKind::FlashWrite, reporter);
    };
    return step;
}

Step reloadStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::Reload;
    step.primary = true;
    step.prepare = [request](Step &self, const JobState &state) -> std::optional<Verdict> {
        self.command = composeReloadCommand(commandLoad(request, state), request.adapter);
        return std::nullopt;
    };
    step.judge = [request](const QString &, JobState &state, JobObserver &reporter) {
        const QString part = commandPart(request, state);
        return doneCheckOrEnd(request, state, part, StepKind::Reload, reporter);
    };
    return step;
}

} // namespace

FlashRange flashJobRange(const JobRequest &request, const FlashGeometry &flash)
{
    if (request.mode == Mode::Erase && request.flash.whole)
        return {0, flash.size};
    if (const std::optional<FlashRange> range = requestedRange(request))
        return *range;
    // To the flash's end; an offset past it keeps one byte, for the check to refuse.
    const quint64 offset = request.flash.offset.value_or(0);
    return {offset, offset < flash.size ? flash.size - offset : 1};
}

FlashLeftChanged flashLeftChanged(const JobRequest &request, const JobState &state)
{
    FlashLeftChanged left;
    left.erase = request.mode == Mode::Erase;
    if (left.erase && request.flash.whole) {
        left.whole = true;
        left.size = state.flash ? state.flash->size : 0;
        return left;
    }
    // A write sector by sector was in one sector alone.
    if (state.sectorStopped) {
        left.offset = state.sectorStopped->currentAddress;
        left.size = state.sectorStopped->sectorSize;
        left.sectors = true;
        return left;
    }
    FlashRange range = checkedRange(request, state);
    if (state.flash && state.flash->knowsSectors()) {
        range = sectorCover(*state.flash, range);
        left.sectors = true;
    }
    left.offset = range.offset;
    left.size = range.size;
    return left;
}

std::optional<Verdict> readRangeRefusal(const JobRequest &request, const QString &output, StepKind step)
{
    const std::optional<FlashGeometry> flash = flashGeometry(output);
    if (!flash)
        return std::nullopt;
    const std::optional<RangeProblem> problem = flashRangeProblem(*flash, flashJobRange(request, *flash), RangeUse::Read);
    if (!problem)
        return std::nullopt;
    return rangeRefusal(request, *problem, step);
}

std::optional<Verdict> flashRangeRefusal(const JobRequest &request, const QString &output, StepKind step)
{
    static const QRegularExpression refusal(
        QStringLiteral("Error: ((?:Length of .* is out of range of the flash bank)|(?:address range .* is not "
                       "sector-aligned))"));
    const QRegularExpressionMatch match = refusal.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    Outcome refused = outcomeOf(request, OutcomeKind::ToolRefusedRange, step);
    refused.toolLine = match.captured(1);
    return Verdict::settled(refused);
}

BlankCheck scanBlank(QIODevice &device, quint64 offset)
{
    BlankCheck check;
    check.offset = offset;
    constexpr qint64 kChunk = 1024 * 1024;
    while (!device.atEnd()) {
        const QByteArray chunk = device.read(kChunk);
        if (chunk.isEmpty())
            break;
        for (qsizetype i = 0; i < chunk.size(); ++i) {
            if (chunk.at(i) == '\xff')
                continue;
            if (check.nonBlank++ == 0)
                check.firstNonBlank = offset + check.size + quint64(i);
        }
        check.size += quint64(chunk.size());
    }
    return check;
}

QList<Step> flashJobSteps(const JobRequest &request)
{
    const Step probe = boardPartStep(request);
    switch (request.mode) {
    case Mode::Read:
    case Mode::BlankCheck:
        return {probe, readStep(request)};
    case Mode::Erase:
        if (request.flash.whole)
            return {probe, eraseStep(request)};
        return {probe, geometryStep(request), eraseStep(request)};
    case Mode::Reload:
        return {probe, reloadStep(request), statusStep(request)};
    default:
        break;
    }
    QList<Step> steps{probe};
    if (!request.flash.full) {
        steps << sectorReadStep(request) << sectorWriteStep(request);
        if (request.flash.reload)
            steps << statusStep(request);
        return steps;
    }
    // Without an offset, the window's job exactly: its write, then DONE.
    if (request.flash.offsetGiven())
        steps << geometryStep(request);
    steps << writeStep(request);
    if (request.flash.reload)
        steps << statusStep(request);
    return steps;
}

} // namespace engine
