#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/toolcommands.h"

#include "download/commandpieces.h"

namespace engine {

Step verifyStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::FlashVerify;
    // The size first, in the same run: OpenOCD compares a file longer than
    // the rest of the flash only as far as it fits, and says they match.
    step.command = composeFlashCommand(request.load, request.adapter,
                                       {commandpiece::flashBanks(),
                                        commandpiece::flashVerify(request.load.filePath,
                                                                  quint32(request.flash.offset.value_or(0)))});
    step.primary = true;
    step.judge = [request](const QString &output, JobState &state, JobObserver &) {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, StepKind::FlashVerify))
            return *range;
        state.contentsMatch = true;
        return Verdict::done(outcomeOf(request, OutcomeKind::FlashMatches, StepKind::FlashVerify));
    };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, StepKind::FlashVerify))
            return range;
        if (const std::optional<Verdict> range = flashRangeRefusal(request, output, StepKind::FlashVerify))
            return range;
        if (!output.contains(QLatin1String("contents differ")))
            return std::nullopt;
        return Verdict::done(outcomeOf(request, OutcomeKind::FlashDiffers, StepKind::FlashVerify));
    };
    return step;
}

} // namespace engine
