#include "cli/jobsteps.h"

#include "cli/exitcodes.h"
#include "cli/jobtexts.h"
#include "cli/reporter.h"
#include "cli/toolcommands.h"
#include "cli/tooloutput.h"

#include "download/partfamily.h"

#include "feldmoor/projectfacts.h"

namespace cli {

namespace {

const feldmoor::PartFacts *facts(const QString &part)
{
    return feldmoor::findPart(part.toLatin1().constData());
}

// Two names for the same silicon ("xc7k325t-debug" is an xc7k325t).
bool sameDevice(const feldmoor::PartFacts *a, const feldmoor::PartFacts *b)
{
    return a && b && (a->idcode & a->idcodeMask & b->idcodeMask) == (b->idcode & a->idcodeMask & b->idcodeMask);
}

// The part the board turned out to hold, else the one the commands are for.
QString configuredPart(const JobRequest &request, const JobState &state)
{
    return state.boardPart.isEmpty() ? request.load.partName : state.boardPart;
}

Verdict readProbe(const QString &output, JobState &state)
{
    state.boardIdcode = tapFoundIdcode(output);
    if (const feldmoor::PartFacts *board = state.boardIdcode ? feldmoor::findPartByIdcode(*state.boardIdcode) : nullptr)
        state.boardPart = QLatin1String(board->name);
    return Verdict::next();
}

Step detectStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the chain probe");
    step.command = composeDetectCommand(request.load, request.adapter);
    step.judge = [](const QString &output, JobState &state, Reporter &) {
        readProbe(output, state);
        if (!state.boardIdcode)
            return Verdict::done(exitcode::kPartMismatch, QStringLiteral("the JTAG chain is empty: no FPGA answered; "
                                                                         "check the cable, the board's power and its "
                                                                         "JTAG header"));
        const feldmoor::PartFacts *board = facts(state.boardPart);
        if (!board)
            return Verdict::done(exitcode::kPartMismatch, QStringLiteral("the FPGA answered with IDCODE %1, which is not "
                                                                         "in the catalogue ('feldmoor-cli parts' "
                                                                         "lists it)")
                                                              .arg(hex32(*state.boardIdcode)));
        return Verdict::done(exitcode::kOk, QStringLiteral("%1  IDCODE %2  IR length %3")
                                                .arg(state.boardPart, hex32(*state.boardIdcode))
                                                .arg(board->irLength));
    };
    return step;
}

// The chain probe of a load or verify: the board must hold the file's part.
Step partCheckStep(const JobRequest &request)
{
    Step step = detectStep(request);
    step.judge = [request](const QString &output, JobState &state, Reporter &reporter) {
        readProbe(output, state);
        const feldmoor::PartFacts *board = facts(state.boardPart);
        const feldmoor::PartFacts *expected = facts(request.expectedPart);
        const feldmoor::PartFacts *named = facts(request.load.partName);
        PartCheck check;
        check.ok = sameDevice(board, expected) && sameDevice(board, named);
        check.idcode = state.boardIdcode;
        check.boardPart = state.boardPart;
        check.expectedPart = request.expectedPart;
        check.claimSource = request.claimSource;
        if (!sameDevice(expected, named))
            check.commandPart = request.load.partName;
        reporter.partCheck(check);
        if (check.ok)
            return Verdict::next();
        if (!request.force)
            return Verdict::done(exitcode::kPartMismatch,
                                 partCheckText(check) + (request.mode == JobRequest::Mode::Verify
                                                             ? QLatin1String("; compare with the file made for this board")
                                                             : QLatin1String("; use the file made for this board, or --force")));
        reporter.note(QStringLiteral("going on despite the mismatch (--force)"));
        return Verdict::next();
    };
    return step;
}

QString loadedText(const JobRequest &request)
{
    return request.load.kind == FileKind::Bit ? QStringLiteral("loaded") : QStringLiteral("wrote and reloaded");
}

Step loadStep(const JobRequest &request)
{
    Step step;
    step.name = request.load.kind == FileKind::Bit ? QStringLiteral("the load") : QStringLiteral("the flash write");
    step.command = composeDownloadCommand(request.load, request.adapter);
    step.flashWrite = request.load.kind == FileKind::Bin;
    step.progressTotal = request.fileSize;
    step.judge = [request](const QString &, JobState &state, Reporter &reporter) {
        if (request.load.kind == FileKind::Bin)
            state.bytesWritten = request.fileSize;
        const QString part = configuredPart(request, state);
        const PartFamily family = partFamily(part);
        if (family.doneReadable())
            return Verdict::next();
        reporter.doneCheck({std::nullopt, 0, family.name()});
        return Verdict::done(exitcode::kOk, loadedText(request) + QLatin1Char(' ') + request.load.filePath +
                                                QLatin1String(" into ") + part + QLatin1String(" (DONE not checked for ") +
                                                family.name() + QLatin1Char(')'));
    };
    return step;
}

Step statusStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the status read");
    step.command = composeReadStatusCommand(request.load, request.adapter);
    step.judge = [request](const QString &output, JobState &state, Reporter &reporter) {
        state.status = statusRegisterValue(output);
        if (!state.status)
            return Verdict::done(exitcode::kToolFailed, QStringLiteral("the status read printed no status register, "
                                                                       "so DONE is unknown; see the log above"));
        const QString part = configuredPart(request, state);
        const PartFamily family = partFamily(part);
        const bool high = (*state.status & (1u << family.facts->doneBit)) != 0;
        reporter.doneCheck({high, *state.status, family.name()});
        if (high)
            return Verdict::done(exitcode::kOk, QStringLiteral("%1 %2 into %3: loaded and checked (DONE high)")
                                                    .arg(loadedText(request), request.load.filePath, part));
        const QString status = hex32(*state.status);
        return Verdict::done(
            exitcode::kDoneLow,
            request.load.kind == FileKind::Bit
                ? QStringLiteral("DONE stayed low after loading %1 (status %2): the FPGA rejected the configuration; "
                                 "check that the file is intact and made for %3")
                      .arg(request.load.filePath, status, part)
                : QStringLiteral("DONE stayed low after the reload from flash (status %1): the image written from %2 "
                                 "did not configure the %3; check that it is intact and made for this part")
                      .arg(status, request.load.filePath, part));
    };
    return step;
}

Step verifyStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the flash verify");
    step.command = composeVerifyCommand(request.load, request.adapter);
    step.judge = [request](const QString &, JobState &state, Reporter &) {
        state.contentsMatch = true;
        return Verdict::done(exitcode::kOk, QLatin1String("the flash holds ") + request.load.filePath +
                                                QLatin1String(" (contents match)"));
    };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (!output.contains(QLatin1String("contents differ")))
            return std::nullopt;
        return Verdict::done(exitcode::kToolFailed, QLatin1String("the flash differs from ") + request.load.filePath +
                                                        QLatin1String(": write it with 'feldmoor-cli load'"));
    };
    return step;
}

} // namespace

QList<Step> jobSteps(const JobRequest &request)
{
    switch (request.mode) {
    case JobRequest::Mode::Detect:
        return {detectStep(request)};
    case JobRequest::Mode::Verify:
        return {partCheckStep(request), verifyStep(request)};
    case JobRequest::Mode::Load:
        break;
    }
    return {partCheckStep(request), loadStep(request), statusStep(request)};
}

} // namespace cli
