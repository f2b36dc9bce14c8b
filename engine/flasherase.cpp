#include "engine/flashstepparts.h"

#include "engine/flashrange.h"

#include "download/commandpieces.h"

namespace engine {

namespace piece = commandpiece;

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

} // namespace engine
