#include "engine/outcome.h"

namespace engine {

Outcome outcomeOf(const JobRequest &request, OutcomeKind kind, StepKind step)
{
    Outcome outcome;
    outcome.kind = kind;
    outcome.step = step;
    outcome.mode = request.mode;
    outcome.fileKind = request.load.kind;
    outcome.file = request.sourceFile;
    outcome.fileSize = request.fileSize;
    outcome.offset = request.flash.offset;
    outcome.reload = request.flash.reload;
    outcome.whole = request.flash.whole;
    outcome.adapter = request.adapter;
    return outcome;
}

bool succeeded(OutcomeKind kind)
{
    switch (kind) {
    case OutcomeKind::Passed:
    case OutcomeKind::Detected:
    case OutcomeKind::FlashMatches:
    case OutcomeKind::Configured:
    case OutcomeKind::DoneNotChecked:
    case OutcomeKind::ReadDone:
    case OutcomeKind::Blank:
    case OutcomeKind::Erased:
    case OutcomeKind::Written:
    case OutcomeKind::AwaitsSectorRead:
        return true;
    default:
        return false;
    }
}

} // namespace engine
