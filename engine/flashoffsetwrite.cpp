#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/toolcommands.h"
#include "engine/tooloutput.h"

#include "download/commandpieces.h"
#include "download/partfamily.h"

#include <QRegularExpression>

namespace engine {

namespace piece = commandpiece;

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
        return writeEnd(request, state, reporter);
    };
    return step;
}

} // namespace engine
