#include "engine/jobsteps.h"

#include "engine/flashsteps.h"
#include "engine/jobobserver.h"
#include "engine/toolcommands.h"
#include "engine/tooloutput.h"

#include "download/commandpieces.h"
#include "download/partfamily.h"

#include "feldmoor/projectfacts.h"

namespace engine {

namespace {

const feldmoor::PartFacts *facts(const QString &part)
{
    return feldmoor::findPart(part.toLatin1().constData());
}

// The part the board turned out to hold, else the one the commands are for.
QString configuredPart(const JobRequest &request, const JobState &state)
{
    return state.boardPart.isEmpty() ? request.load.partName : state.boardPart;
}

// What the chain probe found, as an outcome of its own.
Outcome probeOutcome(const JobRequest &request, const JobState &state, OutcomeKind kind)
{
    Outcome outcome = outcomeOf(request, kind, StepKind::ChainProbe);
    outcome.part = state.boardPart;
    outcome.idcode = state.boardIdcode;
    return outcome;
}

Step detectStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::ChainProbe;
    step.command = composeDetectCommand(request.load, request.adapter);
    step.judge = [request](const QString &output, JobState &state, JobObserver &) {
        readTapPart(output, state);
        if (!state.boardIdcode)
            return Verdict::done(probeOutcome(request, state, OutcomeKind::ChainEmpty));
        const feldmoor::PartFacts *board = facts(state.boardPart);
        if (!board)
            return Verdict::done(probeOutcome(request, state, OutcomeKind::UnknownIdcode));
        Outcome found = probeOutcome(request, state, OutcomeKind::Detected);
        found.irLength = board->irLength;
        return Verdict::done(found);
    };
    return step;
}

// The chain probe of a job on the board: it must hold the file's part (or
// the one the request names).
Step partCheckStep(const JobRequest &request)
{
    Step step = detectStep(request);
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        readTapPart(output, state);
        const feldmoor::PartFacts *board = facts(state.boardPart);
        const feldmoor::PartFacts *expected = facts(request.expectedPart);
        const feldmoor::PartFacts *named = facts(request.load.partName);
        PartCheck check;
        check.ok = feldmoor::sameSilicon(board, expected) && feldmoor::sameSilicon(board, named);
        check.idcode = state.boardIdcode;
        check.boardPart = state.boardPart;
        check.expectedPart = request.expectedPart;
        check.claimSource = request.claimSource;
        check.fromFile = !request.load.filePath.isEmpty();
        if (!feldmoor::sameSilicon(expected, named))
            check.commandPart = request.load.partName;
        reporter.partCheck(check);
        if (check.ok)
            return Verdict::next();
        if (!request.force) {
            Outcome mismatch = probeOutcome(request, state, OutcomeKind::PartMismatch);
            mismatch.partCheck = check;
            return Verdict::done(mismatch);
        }
        Notice notice;
        notice.kind = Notice::Kind::PastMismatch;
        reporter.notice(notice);
        return Verdict::next();
    };
    return step;
}

// A .bit into the FPGA; a flash write's steps are in flashsteps.cpp.
Step loadStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::Load;
    step.command = composeLoadCommand(request.load, request.adapter, partFamily(request.load.partName));
    step.primary = true;
    step.judge = [request](const QString &, JobState &state, JobObserver &reporter) {
        const QString part = configuredPart(request, state);
        return doneCheckOrEnd(request, state, part, StepKind::Load, reporter);
    };
    return step;
}

} // namespace

void readTapPart(const QString &output, JobState &state)
{
    state.boardIdcode = tapFoundIdcode(output);
    if (const feldmoor::PartFacts *board = state.boardIdcode ? feldmoor::findPartByIdcode(*state.boardIdcode) : nullptr)
        state.boardPart = QLatin1String(board->name);
}

std::optional<Verdict> adapterLostVerdict(const Step &step, const QString &output)
{
    const std::optional<AdapterLost> lost = adapterLostAtInit(output);
    if (!lost)
        return std::nullopt;
    Outcome outcome;
    outcome.kind = OutcomeKind::AdapterLostAtInit;
    outcome.step = step.kind;
    outcome.toolLine = lost->error;
    return Verdict::done(outcome);
}

Step boardPartStep(const JobRequest &request)
{
    if (!request.expectedPart.isEmpty())
        return partCheckStep(request);
    Step step = detectStep(request);
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        readTapPart(output, state);
        if (!state.boardIdcode)
            return Verdict::done(probeOutcome(request, state, OutcomeKind::ChainEmpty));
        if (!facts(state.boardPart))
            return Verdict::done(probeOutcome(request, state, OutcomeKind::UnknownBoardPart));
        if (!partFamily(state.boardPart).known())
            return Verdict::done(probeOutcome(request, state, OutcomeKind::NoFamilyScript));
        Notice notice;
        notice.kind = Notice::Kind::CommandsForBoard;
        notice.part = state.boardPart;
        notice.idcode = state.boardIdcode;
        reporter.notice(notice);
        return Verdict::next();
    };
    return step;
}

QString commandPart(const JobRequest &request, const JobState &state)
{
    return request.load.partName.isEmpty() ? state.boardPart : request.load.partName;
}

DownloadRequest commandLoad(const JobRequest &request, const JobState &state)
{
    DownloadRequest load = request.load;
    load.partName = commandPart(request, state);
    return load;
}

Outcome configuredOutcome(const JobRequest &request, const JobState &state, const QString &part, OutcomeKind kind,
                          StepKind step)
{
    Outcome outcome = outcomeOf(request, kind, step);
    outcome.part = part;
    outcome.wroteNothing = state.sectors && state.sectors->summary().identical();
    if (state.status)
        outcome.status = *state.status;
    return outcome;
}

Step statusStep(const JobRequest &request)
{
    Step step;
    step.kind = StepKind::StatusRead;
    step.prepare = [request](Step &self, const JobState &state) -> std::optional<Verdict> {
        self.command = composeReadStatusCommand(commandLoad(request, state), request.adapter);
        return std::nullopt;
    };
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        state.status = statusRegisterValue(output);
        if (!state.status)
            return Verdict::done(outcomeOf(request, OutcomeKind::NoStatusRegister, StepKind::StatusRead));
        if (statusFromEmptyChain(*state.status)) {
            Outcome empty = outcomeOf(request, OutcomeKind::StatusFromEmptyChain, StepKind::StatusRead);
            empty.status = *state.status;
            return Verdict::done(empty);
        }
        const QString part = configuredPart(request, state);
        const PartFamily family = partFamily(part);
        const bool high = (*state.status & (1u << family.facts->doneBit)) != 0;
        reporter.doneCheck({high, *state.status, family.name()});
        return Verdict::done(configuredOutcome(request, state, part, high ? OutcomeKind::Configured : OutcomeKind::DoneLow,
                                               StepKind::StatusRead));
    };
    return step;
}

Verdict doneCheckOrEnd(const JobRequest &request, const JobState &state, const QString &part, StepKind step,
                       JobObserver &reporter)
{
    const PartFamily family = partFamily(part);
    if (family.doneReadable())
        return Verdict::next();
    reporter.doneCheck({std::nullopt, 0, family.name()});
    Outcome outcome = configuredOutcome(request, state, part, OutcomeKind::DoneNotChecked, step);
    outcome.family = family.name();
    return Verdict::done(outcome);
}

QList<Step> jobSteps(const JobRequest &request)
{
    switch (request.mode) {
    case JobRequest::Mode::Detect:
        return {detectStep(request)};
    case JobRequest::Mode::Verify:
        return flashJobSteps(request);
    case JobRequest::Mode::Load:
        if (request.load.kind == FileKind::Bin)
            return flashJobSteps(request);
        break;
    case JobRequest::Mode::Read:
    case JobRequest::Mode::Erase:
    case JobRequest::Mode::BlankCheck:
    case JobRequest::Mode::Reload:
        return flashJobSteps(request);
    }
    return {boardPartStep(request), loadStep(request), statusStep(request)};
}

} // namespace engine
