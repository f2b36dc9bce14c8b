#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/jobobserver.h"
#include "engine/scratchfile.h"
#include "engine/sectorplan.h"
#include "engine/serialsector.h"
#include "engine/statefolder.h"
#include "engine/toolcommands.h"

#include "download/commandpieces.h"
#include "download/partfamily.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace engine {

namespace piece = commandpiece;

namespace {

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

} // namespace

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
        state.contentsMatch = true;
        // The range holds the image, and its sectors what they kept after it.
        for (const QString &file : std::as_const(tracker->kept))
            QFile::remove(file);
        tracker->kept.clear();
        return writeEnd(request, state, reporter);
    };
    return step;
}

} // namespace engine
