#include "engine/flashstepparts.h"

#include "engine/flashrange.h"
#include "engine/toolcommands.h"

namespace engine {

Outcome flashOutcome(const JobRequest &request, const JobState &state, OutcomeKind kind, StepKind step)
{
    Outcome outcome = outcomeOf(request, kind, step);
    outcome.flash = state.flash;
    if (state.range)
        outcome.range = *state.range;
    return outcome;
}

Verdict hostFileFailed(const JobRequest &request, StepKind step, HostFile file, const QString &path,
                       const QString &error)
{
    Outcome outcome = outcomeOf(request, OutcomeKind::HostFileFailed, step);
    outcome.hostFile = file;
    outcome.path = path;
    outcome.error = error;
    return Verdict::done(outcome);
}

DownloadCommand flashCommand(const JobRequest &request, const JobState &state, const QStringList &pieces)
{
    return composeFlashCommand(commandLoad(request, state), request.adapter, pieces);
}

Outcome writtenOutcome(const JobRequest &request, const JobState &state, const QString &part)
{
    Outcome written = flashOutcome(request, state, OutcomeKind::Written, StepKind::FlashWrite);
    written.part = part;
    written.range = checkedRange(request, state);
    written.wroteNothing = state.sectors && state.sectors->summary().identical();
    return written;
}

Verdict writeEnd(const JobRequest &request, JobState &state, JobObserver &reporter)
{
    state.bytesWritten = request.fileSize;
    const QString part = commandPart(request, state);
    if (!request.flash.reload)
        return Verdict::done(writtenOutcome(request, state, part));
    return doneCheckOrEnd(request, state, part, StepKind::FlashWrite, reporter);
}

RecoveryOwner recoveryOwner(const JobRequest &request, const JobState &state)
{
    const FlashRange range = checkedRange(request, state);
    return {request.adapterKey, state.boardIdcode.value_or(0), range.offset, range.size};
}

} // namespace engine
