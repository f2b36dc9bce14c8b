#include "engine/flashsteps.h"

#include "engine/exitcodes.h"
#include "engine/jobtexts.h"
#include "engine/bytecount.h"
#include "engine/jobobserver.h"
#include "engine/scratchfile.h"
#include "engine/sectorrecovery.h"
#include "engine/serialsector.h"
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

// The sectors a range covers when the tool told them, else its addresses.
QString placeText(const JobState &state, const FlashRange &range)
{
    return state.flash && state.flash->knowsSectors() ? sectorsText(*state.flash, range) : rangeText(range);
}

using Mode = JobRequest::Mode;

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

QString flashOfText(const QString &part)
{
    return QLatin1String("the ") + part + QLatin1String("'s flash");
}

// Whether the job's range must be checked against the sectors (`flash info
// 0`): an erase of a range, and a write at an offset other than 0, where
// every sector starts.
bool needsSectors(const JobRequest &request)
{
    return (request.mode == Mode::Erase && !request.flash.whole) ||
           (request.mode == Mode::Load && request.flash.offset.value_or(0) != 0);
}

Step geometryStep(const JobRequest &request)
{
    const bool sectors = needsSectors(request);
    Step step;
    step.name = sectors ? QStringLiteral("the flash geometry read") : QStringLiteral("the flash size read");
    step.prepare = [request, sectors](Step &self, const JobState &state) -> std::optional<Verdict> {
        QStringList pieces{piece::flashBanks()};
        if (sectors)
            pieces << piece::flashInfo();
        self.command = flashCommand(request, state, pieces);
        return std::nullopt;
    };
    const std::optional<FlashRange> known = requestedRange(request);
    step.dryRunNote = QLatin1String("its judge checks the range") +
                      (known ? QStringLiteral(" (%1 bytes from 0x%2)").arg(known->size).arg(known->offset, 0, 16)
                             : QString()) +
                      (sectors ? QLatin1String(" against the flash's size and sectors it reports")
                               : QLatin1String(" against the flash's size it reports")) +
                      QLatin1String("; without a board nothing is checked here");
    step.judge = [request, sectors](const QString &output, JobState &state, JobObserver &reporter) {
        state.flash = flashGeometry(output);
        if (!state.flash || (sectors && !state.flash->knowsSectors()))
            return Verdict::done(exitcode::kToolFailed,
                                 sectors ? QStringLiteral("the tool did not report the flash's size and sectors ('flash "
                                                          "banks', 'flash info 0'), so the range can't be checked; "
                                                          "nothing was changed; see the log above")
                                         : QStringLiteral("the tool did not report the flash's size ('flash banks'), so "
                                                          "the write can't be checked; nothing was changed; see the log "
                                                          "above"));
        const FlashRange range = flashJobRange(request, *state.flash);
        const QString problem = flashRangeProblem(*state.flash, range, rangeUse(request));
        if (!problem.isEmpty()) {
            if (request.mode == Mode::Erase)
                return Verdict::done(exitcode::kUsage,
                                     QLatin1String("can't erase that: ") + problem + QLatin1String("; nothing was erased"));
            return Verdict::done(exitcode::kUsage, QStringLiteral("can't write %1 (%2 bytes) there: %3; nothing "
                                                                  "was erased or written")
                                                       .arg(request.sourceFile)
                                                       .arg(request.fileSize)
                                                       .arg(problem));
        }
        state.range = range;
        if (request.mode == Mode::Load && state.flash->knowsSectors())
            reporter.note(QStringLiteral("erasing %1 of the %2 flash for %3 (%4 bytes at 0x%5); nothing outside them "
                                         "changes")
                              .arg(sectorsText(*state.flash, range), byteSize(qint64(state.flash->size)),
                                   request.sourceFile)
                              .arg(request.fileSize)
                              .arg(range.offset, 8, 16, QLatin1Char('0')));
        else if (request.mode == Mode::Load)
            reporter.note(QStringLiteral("erasing %1 rounded out to whole sectors of the %2 flash for %3; nothing "
                                         "after them changes")
                              .arg(rangeText(range), byteSize(qint64(state.flash->size)), request.sourceFile));
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
    step.name = blankCheck ? QStringLiteral("the blank check's read") : QStringLiteral("the flash read");
    step.primary = true;
    step.dryRunNote = QStringLiteral("its judge checks the range against the flash's size that 'flash banks' reports "
                                     "first; OpenOCD refuses a range past the end before reading");
    step.prepare = [request, dump, blankCheck](Step &self, const JobState &state) -> std::optional<Verdict> {
        // Beside OUT, so that putting it in place is a rename; a blank
        // check's dump is the loader's alone.
        const QString folder = blankCheck ? QDir::tempPath() : QFileInfo(request.sourceFile).absolutePath();
        const QString pattern = blankCheck ? scratchPrefix() + QLatin1String("blank-XXXXXX.bin")
                                           : QFileInfo(request.sourceFile).fileName() + QLatin1String(".XXXXXX.part");
        QString error;
        if (!dump->create(folder, pattern, QByteArray(), error))
            return Verdict::done(exitcode::kBadFile,
                                 QLatin1String("can't make the file the flash is read into in ") +
                                     QDir::toNativeSeparators(folder) + QLatin1String(": ") + error);
        std::optional<quint32> length;
        if (request.flash.size)
            length = quint32(*request.flash.size);
        self.command = flashCommand(request, state,
                                    {piece::flashBanks(),
                                     piece::flashReadBank(dump->path(), quint32(request.flash.offset.value_or(0)), length)});
        return std::nullopt;
    };
    step.release = [dump] { dump->remove(); };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, QStringLiteral("read")))
            return range;
        return flashRangeRefusal(output);
    };
    step.judge = [request, dump, blankCheck](const QString &output, JobState &state, JobObserver &reporter) {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, QStringLiteral("read")))
            return *range;
        state.flash = flashGeometry(output);
        if (!state.flash)
            return Verdict::done(exitcode::kToolFailed,
                                 QStringLiteral("the tool did not report the flash's size ('flash banks'), so the "
                                                "read can't be checked%1; see the log above")
                                     .arg(blankCheck ? QString()
                                                     : QLatin1String("; ") + request.sourceFile +
                                                           QLatin1String(" is left as it was")));
        const FlashRange range = flashJobRange(request, *state.flash);
        state.range = range;
        QFile file(dump->path());
        if (!file.open(QIODevice::ReadOnly) || quint64(file.size()) != range.size)
            return Verdict::done(exitcode::kToolFailed,
                                 QStringLiteral("the tool reported success, but its dump holds %1 of the %2 bytes "
                                                "read%3")
                                     .arg(file.size())
                                     .arg(range.size)
                                     .arg(blankCheck ? QString()
                                                     : QLatin1String("; ") + request.sourceFile +
                                                           QLatin1String(" is left as it was")));
        const QString part = commandPart(request, state);
        if (blankCheck) {
            const BlankCheck check = scanBlank(file, range.offset);
            reporter.blankCheck(check);
            return Verdict::done(check.nonBlank == 0 ? exitcode::kOk : exitcode::kNotBlank,
                                 flashOfText(part) + QLatin1String(": ") + blankCheckText(check));
        }
        file.close();
        QString error;
        if (!dump->moveOver(request.sourceFile, error))
            return Verdict::done(exitcode::kBadFile, QLatin1String("can't put the dump in place as ") + request.sourceFile +
                                                         QLatin1String(": ") + error +
                                                         QLatin1String("; it is left as it was"));
        return Verdict::done(exitcode::kOk, QStringLiteral("read %1 (%2 bytes) of %3 into %4")
                                                .arg(rangeText(range))
                                                .arg(range.size)
                                                .arg(flashOfText(part), request.sourceFile));
    };
    return step;
}

Step eraseStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the flash erase");
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
    step.explainFailure = flashRangeRefusal;
    step.judge = [request](const QString &, JobState &state, JobObserver &) {
        const QString flash = flashOfText(commandPart(request, state));
        if (request.flash.whole)
            return Verdict::done(exitcode::kOk, QLatin1String("erased the whole of ") + flash);
        const FlashRange range = checkedRange(request, state);
        return Verdict::done(exitcode::kOk,
                             QStringLiteral("erased %1 of %2")
                                 .arg(placeText(state, range), flash));
    };
    return step;
}

Step writeStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the flash write");
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
        if (const std::optional<Verdict> range = flashRangeRefusal(output))
            return range;
        if (output.contains(QLatin1String("contents differ")))
            return Verdict::settled(exitcode::kFlashDiffers,
                                    QLatin1String("the write's verify found the flash differing from ") +
                                        request.sourceFile + QLatin1String(": the chip may be worn or write-protected"));
        // The write and its verify are whole; the reload after them failed.
        static const QRegularExpression written(QStringLiteral("wrote and verified \\d+ bytes|contents match"));
        if (request.flash.reload && written.match(output).hasMatch())
            return Verdict::settled(exitcode::kToolFailed,
                                    QLatin1String("the reload after the flash write failed: the flash holds ") +
                                        request.sourceFile +
                                        QLatin1String(" (written and verified), but the FPGA was not configured from "
                                                      "it; see its log above ('feldmoor-cli reload' tries again)"));
        return std::nullopt;
    };
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        if (const std::optional<ImageCutShort> cut = imageCutShort(output)) {
            const quint64 offset = request.flash.offset.value_or(0);
            const std::optional<quint64> held = cut->heldFrom(offset);
            return Verdict::done(
                exitcode::kToolFailed,
                QLatin1String("the image did not fit: ") +
                    (held ? QStringLiteral("the flash holds only the first %1 of the %2 bytes of %3")
                                .arg(*held)
                                .arg(request.fileSize)
                                .arg(request.sourceFile)
                          : QLatin1String("the flash holds only the start of ") + request.sourceFile) +
                    QLatin1String(" (OpenOCD wrote what fitted and went on); use an image made for this flash"));
        }
        state.bytesWritten = request.fileSize;
        const QString part = commandPart(request, state);
        if (!request.flash.reload) {
            const FlashRange range = checkedRange(request, state);
            return Verdict::done(exitcode::kOk,
                                 QStringLiteral("wrote %1 into %2, %3; not reloaded (--no-reload): 'feldmoor-cli "
                                                "reload' configures the FPGA from its flash")
                                     .arg(request.sourceFile, flashOfText(part),
                                          placeText(state, range)));
        }
        return doneCheckOrEnd(request, state, part, reporter);
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
    return {offset, readBackSize(request, kReadUnit)};
}

// "can't write top.bin (N bytes) there: ...": the write's range refused.
Verdict writeRangeRefusal(const JobRequest &request, const QString &problem)
{
    return Verdict::done(exitcode::kUsage, QStringLiteral("can't write %1 (%2 bytes) there: %3; nothing was erased or "
                                                          "written")
                                               .arg(request.sourceFile)
                                               .arg(request.fileSize)
                                               .arg(problem));
}

// The write's range against what the read run reported, when it reported
// the flash: the reason it can't be written there.
std::optional<Verdict> writeRangeProblem(const JobRequest &request, const QString &output)
{
    const std::optional<FlashGeometry> flash = flashGeometry(output);
    if (!flash)
        return std::nullopt;
    const QString problem = flashRangeProblem(*flash, flashJobRange(request, *flash), RangeUse::Write);
    if (problem.isEmpty())
        return std::nullopt;
    return writeRangeRefusal(request, problem);
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
    const auto serialDump = std::make_shared<ScratchFile>();
    Step step;
    step.name = QStringLiteral("the sector read");
    // What --dry-run can show: the run after it depends on what it finds.
    step.primary = true;
    const FlashRange read = readBackRange(request);
    step.dryRunNote = QStringLiteral("reads back %1 bytes from 0x%2, the sectors the image covers; its judge checks "
                                     "the range against the flash's size and sectors, then compares each sector "
                                     "with the image")
                          .arg(read.size)
                          .arg(read.offset, 8, 16, QLatin1Char('0'));
    const std::optional<FlashRange> serialRead = serialReadRange(request, read, kReadUnit);
    step.prepare = [request, dump, serialDump, read, serialRead](Step &self,
                                                                 const JobState &state) -> std::optional<Verdict> {
        QString error;
        const QString pattern = scratchPrefix() + QLatin1String("sectors-XXXXXX.bin");
        if (!dump->create(QDir::tempPath(), pattern, QByteArray(), error) ||
            (serialRead && !serialDump->create(QDir::tempPath(), pattern, QByteArray(), error)))
            return Verdict::done(exitcode::kBadFile, QLatin1String("can't make the file the sectors are read into in ") +
                                                         QDir::toNativeSeparators(QDir::tempPath()) +
                                                         QLatin1String(": ") + error);
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
        return flashRangeRefusal(output);
    };
    step.judge = [request, dump, serialDump, read, serialRead](const QString &output, JobState &state,
                                                               JobObserver &reporter) {
        state.flash = flashGeometry(output);
        if (!state.flash || !state.flash->knowsSectors())
            return Verdict::done(exitcode::kToolFailed, QStringLiteral("the tool did not report the flash's size and "
                                                                       "sectors ('flash banks', 'flash info 0'), so "
                                                                       "the write can't be planned; nothing was "
                                                                       "changed; see the log above"));
        const FlashRange range = flashJobRange(request, *state.flash);
        const QString problem = flashRangeProblem(*state.flash, range, RangeUse::Write);
        if (!problem.isEmpty())
            return writeRangeRefusal(request, problem);
        if (const std::optional<Verdict> serial = serialPlaceRefusal(request, *state.flash))
            return *serial;
        if (kReadUnit % state.flash->sectorSize != 0)
            return Verdict::done(exitcode::kUsage,
                                 QStringLiteral("the flash's sectors are of %1 bytes, and the loader compares in "
                                                "units of %2: write it with --full; nothing was changed")
                                     .arg(state.flash->sectorSize)
                                     .arg(kReadUnit));
        state.range = range;
        QFile held(dump->path());
        QFile image(request.load.filePath);
        if (!held.open(QIODevice::ReadOnly) || quint64(held.size()) != read.size)
            return Verdict::done(exitcode::kToolFailed, QStringLiteral("the tool reported success, but its read back "
                                                                       "holds %1 of the %2 bytes asked for; nothing "
                                                                       "was changed")
                                                            .arg(held.size())
                                                            .arg(read.size));
        if (!image.open(QIODevice::ReadOnly))
            return Verdict::done(exitcode::kBadFile, QLatin1String("can't read ") + request.load.filePath +
                                                         QLatin1String(": ") + image.errorString());
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
            if (!serialFile.open(QIODevice::ReadOnly) || quint64(serialFile.size()) != serialRead->size)
                return Verdict::done(exitcode::kToolFailed, QStringLiteral("the tool reported success, but its read "
                                                                           "of the serial number's sectors holds %1 "
                                                                           "of the %2 bytes asked for; nothing was "
                                                                           "changed")
                                                                .arg(serialFile.size())
                                                                .arg(serialRead->size));
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
    step.name = QStringLiteral("the flash write");
    step.flashWrite = true;
    step.prepare = [request, folder, tracker](Step &self, const JobState &state) -> std::optional<Verdict> {
        if (!state.sectors)
            return Verdict::done(exitcode::kOk, QStringLiteral("its erases and writes depend on what the sector read "
                                                               "finds: only the sectors that differ from the image "
                                                               "are written, then the whole image is verified"));
        const SectorPlan &plan = *state.sectors;
        tracker->reset(plan);
        self.progressTotal = plan.bytesToProgram();
        *folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(scratchPrefix() + QLatin1String("write-XXXXXX")));
        QTemporaryDir &dir = **folder;
        if (!dir.isValid())
            return Verdict::done(exitcode::kBadFile, QLatin1String("can't make a folder for the sectors to write in ") +
                                                         QDir::toNativeSeparators(QDir::tempPath()) +
                                                         QLatin1String(": ") + dir.errorString());
        // Each sector's old contents are on the disk before its erase; a
        // kept sector whose bytes go back stays there until its write is
        // checked.
        QString error;
        const QString stateDir = stateFolder(error);
        if (stateDir.isEmpty())
            return Verdict::done(exitcode::kBadFile, QLatin1String("can't keep the old contents of the sectors to "
                                                                   "erase: ") +
                                                         error + QLatin1String("; nothing was changed"));
        const RecoveryOwner owner = recoveryOwner(request, state);
        for (const KeptSectorFile &file : keptSectorsOf(stateDir, owner))
            tracker->kept.insert(file.kept.sector, file.path);
        for (const SectorWork &work : tracker->work) {
            if (work.action != SectorAction::EraseProgram)
                continue;
            const QString path = QDir(stateDir).filePath(keptSectorFileName(owner, work.index));
            if (!writeDurably(path, encodeKeptSector({owner, work.index, work.address, work.before}), error))
                return Verdict::done(exitcode::kBadFile,
                                     QStringLiteral("can't keep the old contents of sector %1 in %2: %3; nothing was "
                                                    "changed")
                                         .arg(work.index)
                                         .arg(QDir::toNativeSeparators(path), error));
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
                return Verdict::done(exitcode::kBadFile, QLatin1String("can't write ") + file.fileName() +
                                                             QLatin1String(": ") + file.errorString() +
                                                             QLatin1String("; nothing was changed"));
            pieces << piece::flashWriteBank(QLatin1String("$d/") + name, quint32(work.address));
            if (tracker->kept.contains(work.index))
                pieces << piece::flashVerifyBank(QLatin1String("$d/") + name, quint32(work.address));
        }
        pieces << piece::flashVerify(request.load.filePath, quint32(plan.offset));
        const auto verified = [tracker](const SectorWork &work) {
            return !work.bytes.isEmpty() && tracker->kept.contains(work.index);
        };
        if (const std::optional<Verdict> refusal =
                addSerialVerify(request, plan, verified, dir.path(), QLatin1String("$d/"), pieces))
            return refusal;
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
        if (const std::optional<Verdict> range = flashRangeRefusal(output))
            return range;
        static const QRegularExpression firstDiff(QStringLiteral("diff 0 address 0x([0-9a-fA-F]+)\\."));
        const QRegularExpressionMatch diff = firstDiff.match(output);
        // Written and verified; the reload after them failed.
        if (request.flash.reload && tracker->imageVerified)
            return Verdict::settled(exitcode::kToolFailed,
                                    QLatin1String("the reload after the flash write failed: the flash holds ") +
                                        request.sourceFile +
                                        QLatin1String(" (written and verified), but the FPGA was not configured from "
                                                      "it; see its log above ('feldmoor-cli reload' tries again)"));
        if (!output.contains(QLatin1String("contents differ")) || !diff.hasMatch())
            return std::nullopt;
        const QList<quint32> written = tracker->written();
        return Verdict::settled(exitcode::kFlashDiffers,
                             QStringLiteral("the verify found the flash differing from %1 at 0x%2 after the write "
                                            "(%3): the chip may be worn or write-protected")
                                 .arg(request.sourceFile, diff.captured(1).rightJustified(8, QLatin1Char('0')),
                                      written.isEmpty() ? QStringLiteral("no sector needed writing")
                                                        : QLatin1String(written.size() == 1 ? "it wrote sector "
                                                                                            : "it wrote sectors ") +
                                                              sectorListText(written)));
    };
    step.judge = [request, tracker](const QString &, JobState &state, JobObserver &reporter) {
        state.bytesWritten = request.fileSize;
        state.contentsMatch = true;
        // The range holds the image, and its sectors what they kept after it.
        for (const QString &file : std::as_const(tracker->kept))
            QFile::remove(file);
        tracker->kept.clear();
        const QString part = commandPart(request, state);
        if (!request.flash.reload) {
            const FlashRange range = checkedRange(request, state);
            const bool wroteNothing = state.sectors && state.sectors->summary().identical();
            return Verdict::done(exitcode::kOk,
                                 QStringLiteral("%1 %2 into %3, %4; not reloaded (--no-reload): 'feldmoor-cli "
                                                "reload' configures the FPGA from its flash")
                                     .arg(wroteNothing ? QStringLiteral("verified") : QStringLiteral("wrote"),
                                          request.sourceFile, flashOfText(part), placeText(state, range)));
        }
        return doneCheckOrEnd(request, state, part, reporter);
    };
    return step;
}

Step reloadStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the reload");
    step.primary = true;
    step.prepare = [request](Step &self, const JobState &state) -> std::optional<Verdict> {
        self.command = composeReloadCommand(commandLoad(request, state), request.adapter);
        return std::nullopt;
    };
    step.judge = [request](const QString &, JobState &state, JobObserver &reporter) {
        const QString part = commandPart(request, state);
        return doneCheckOrEnd(request, state, part, reporter);
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

std::optional<Verdict> readRangeRefusal(const JobRequest &request, const QString &output, const QString &verb)
{
    const std::optional<FlashGeometry> flash = flashGeometry(output);
    if (!flash)
        return std::nullopt;
    const QString problem = flashRangeProblem(*flash, flashJobRange(request, *flash), RangeUse::Read);
    if (problem.isEmpty())
        return std::nullopt;
    return Verdict::done(exitcode::kUsage, QLatin1String("can't ") + verb + QLatin1String(" that: ") + problem +
                                               (verb == QLatin1String("read") ? QLatin1String("; nothing was read")
                                                                              : QLatin1String("; nothing was compared")));
}

QString atOffsetText(const JobRequest &request)
{
    return request.flash.offset ? QLatin1String(" at ") + hex32(quint32(*request.flash.offset)) : QString();
}

std::optional<Verdict> flashRangeRefusal(const QString &output)
{
    static const QRegularExpression refusal(
        QStringLiteral("Error: ((?:Length of .* is out of range of the flash bank)|(?:address range .* is not "
                       "sector-aligned))"));
    const QRegularExpressionMatch match = refusal.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    return Verdict::settled(exitcode::kUsage, QLatin1String("the tool refused the range (") + match.captured(1) +
                                                  QLatin1String("); nothing was changed"));
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
