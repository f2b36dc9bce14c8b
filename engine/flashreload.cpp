#include "engine/flashstepparts.h"

#include "engine/toolcommands.h"

namespace engine {

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

} // namespace engine
