#include "engine/downloadstep.h"

#include "engine/jobobserver.h"
#include "engine/tooloutput.h"

#include "download/partfamily.h"

namespace engine {

Step downloadStep(const JobRequest &request)
{
    Step step;
    const bool flash = request.load.kind == FileKind::Bin;
    step.kind = flash ? StepKind::FlashWrite : StepKind::Load;
    step.command = composeDownloadCommand(request.load, request.adapter);
    step.primary = true;
    step.chunked = true;
    step.flashWrite = flash;
    step.progressTotal = request.fileSize;
    step.judge = [request, flash](const QString &output, JobState &state, JobObserver &reporter) {
        if (flash) {
            if (const std::optional<ImageCutShort> cut = imageCutShort(output)) {
                Outcome cutShort = outcomeOf(request, OutcomeKind::ImageCutShort, StepKind::FlashWrite);
                cutShort.heldKnown = cut->heldFrom(0);
                return Verdict::done(cutShort);
            }
        }
        // The part the run met, for the words of a configuration it refused.
        readTapPart(output, state);
        // The list is for the family of the part chosen, as the list's own
        // table knows it, whatever the board holds.
        const PartFamily family = windowPartFamily(request.load.partName);
        if (family.doneReadable())
            return Verdict::next();
        reporter.doneCheck({std::nullopt, 0, family.name()});
        Outcome notChecked = configuredOutcome(request, state, request.load.partName, OutcomeKind::DoneNotChecked,
                                               flash ? StepKind::FlashWrite : StepKind::Load);
        notChecked.family = family.name();
        return Verdict::done(notChecked);
    };
    return step;
}

} // namespace engine
