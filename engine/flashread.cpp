#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/scratchfile.h"

#include "download/commandpieces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace engine {

namespace piece = commandpiece;

// One run: `flash banks`, then the read. OpenOCD refuses a range past the
// bank's end before reading anything, so no run before it is needed; the
// size it printed tells the judge how long the dump must be.
Step readStep(const JobRequest &request)
{
    const bool blankCheck = request.mode == JobRequest::Mode::BlankCheck;
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
        if (blankCheck)
            return blankCheckVerdict(request, state, file, reporter);
        const QString part = commandPart(request, state);
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

} // namespace engine
