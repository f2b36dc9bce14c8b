#include "engine/jobsteps.h"

#include "engine/exitcodes.h"
#include "engine/flashsteps.h"
#include "engine/jobtexts.h"
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
    step.judge = [](const QString &output, JobState &state, JobObserver &) {
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

// The chain probe of a job on the board: it must hold the file's part (or
// --part's).
Step partCheckStep(const JobRequest &request)
{
    Step step = detectStep(request);
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        readProbe(output, state);
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
            const QString mend = !check.fromFile ? QLatin1String("; give the board's part, or leave --part out")
                                 : request.mode == JobRequest::Mode::Verify
                                     ? QLatin1String("; compare with the file made for this board")
                                     : QLatin1String("; use the file made for this board, or --force");
            return Verdict::done(exitcode::kPartMismatch, partCheckText(check) + mend);
        }
        reporter.note(QStringLiteral("going on despite the mismatch (--force)"));
        return Verdict::next();
    };
    return step;
}

// A .bit into the FPGA; a flash write's steps are in flashsteps.cpp.
Step loadStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the load");
    step.command = composeLoadCommand(request.load, request.adapter, partFamily(request.load.partName));
    step.primary = true;
    step.judge = [request](const QString &, JobState &state, JobObserver &reporter) {
        const QString part = configuredPart(request, state);
        return doneCheckOrEnd(request, state, part, reporter);
    };
    return step;
}

Step verifyStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the flash verify");
    // The size first, in the same run: OpenOCD compares a file longer than
    // the rest of the flash only as far as it fits, and says they match.
    step.command = composeFlashCommand(request.load, request.adapter,
                                       {commandpiece::flashBanks(),
                                        commandpiece::flashVerify(request.load.filePath,
                                                                  quint32(request.flash.offset.value_or(0)))});
    step.primary = true;
    step.judge = [request](const QString &output, JobState &state, JobObserver &) {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, QStringLiteral("verify")))
            return *range;
        state.contentsMatch = true;
        return Verdict::done(exitcode::kOk, QLatin1String("the flash holds ") + request.sourceFile +
                                                atOffsetText(request) + QLatin1String(" (contents match)"));
    };
    step.explainFailure = [request](const QString &output) -> std::optional<Verdict> {
        if (const std::optional<Verdict> range = readRangeRefusal(request, output, QStringLiteral("verify")))
            return range;
        if (const std::optional<Verdict> range = flashRangeRefusal(output))
            return range;
        if (!output.contains(QLatin1String("contents differ")))
            return std::nullopt;
        return Verdict::done(exitcode::kFlashDiffers, QLatin1String("the flash differs from ") + request.sourceFile +
                                                          atOffsetText(request) +
                                                          QLatin1String(": write it with 'feldmoor-cli load'"));
    };
    return step;
}

} // namespace

std::optional<Verdict> adapterLostVerdict(const Step &step, const QString &output)
{
    const std::optional<AdapterLost> lost = adapterLostAtInit(output);
    if (!lost)
        return std::nullopt;
    const QString quoted = lost->error.isEmpty() ? QString() : QLatin1String(" (") + lost->error + QLatin1Char(')');
    return Verdict::done(exitcode::kToolFailed,
                         QLatin1String("the adapter stopped answering during init in ") + step.name + quoted +
                             QLatin1String(", and OpenOCD went on and exited 0: nothing was done on the board; check "
                                           "the adapter's USB cable and the board's power, then run the job again"));
}

Step boardPartStep(const JobRequest &request)
{
    if (!request.expectedPart.isEmpty())
        return partCheckStep(request);
    Step step = detectStep(request);
    step.judge = [](const QString &output, JobState &state, JobObserver &reporter) {
        readProbe(output, state);
        if (!state.boardIdcode)
            return Verdict::done(exitcode::kPartMismatch, QStringLiteral("the JTAG chain is empty: no FPGA answered; "
                                                                         "check the cable, the board's power and its "
                                                                         "JTAG header"));
        if (!facts(state.boardPart))
            return Verdict::done(exitcode::kPartMismatch, QStringLiteral("the FPGA answered with IDCODE %1, which is not "
                                                                         "in the catalogue, so its proxy and scripts "
                                                                         "are unknown")
                                                              .arg(hex32(*state.boardIdcode)));
        if (!partFamily(state.boardPart).known())
            return Verdict::done(exitcode::kUsage, noFamilyScriptText(state.boardPart));
        reporter.note(QStringLiteral("the board holds %1 (IDCODE %2): the commands are for it")
                          .arg(state.boardPart, hex32(*state.boardIdcode)));
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

QString configuredText(const JobRequest &request, const JobState &state, const QString &part)
{
    if (request.mode == JobRequest::Mode::Reload)
        return QLatin1String("reloaded the ") + part + QLatin1String(" from its flash");
    if (request.load.kind == FileKind::Bit)
        return QLatin1String("loaded ") + request.sourceFile + QLatin1String(" into ") + part;
    const quint64 offset = request.flash.offset.value_or(0);
    const bool wroteNothing = state.sectors && state.sectors->summary().identical();
    return QLatin1String(wroteNothing ? "verified and reloaded " : "wrote and reloaded ") + request.sourceFile +
           (offset != 0 ? QLatin1String(" (at ") + hex32(quint32(offset)) + QLatin1Char(')') : QString()) +
           QLatin1String(" into ") + part;
}

Step statusStep(const JobRequest &request)
{
    Step step;
    step.name = QStringLiteral("the status read");
    step.prepare = [request](Step &self, const JobState &state) -> std::optional<Verdict> {
        self.command = composeReadStatusCommand(commandLoad(request, state), request.adapter);
        return std::nullopt;
    };
    step.judge = [request](const QString &output, JobState &state, JobObserver &reporter) {
        state.status = statusRegisterValue(output);
        if (!state.status)
            return Verdict::done(exitcode::kToolFailed, QStringLiteral("the status read printed no status register, "
                                                                       "so DONE is unknown; see the log above"));
        if (statusFromEmptyChain(*state.status))
            return Verdict::done(exitcode::kDoneLow,
                                 QStringLiteral("the status register read %1, as a JTAG chain where nothing answers "
                                                "does: nothing was configured; check the cable, the board's power "
                                                "and its JTAG header")
                                     .arg(hex32(*state.status)));
        const QString part = configuredPart(request, state);
        const PartFamily family = partFamily(part);
        const bool high = (*state.status & (1u << family.facts->doneBit)) != 0;
        reporter.doneCheck({high, *state.status, family.name()});
        const bool reload = request.mode == JobRequest::Mode::Reload;
        if (high)
            return Verdict::done(exitcode::kOk, configuredText(request, state, part) +
                                                    (reload ? QLatin1String(": configured and checked (DONE high)")
                                                            : QLatin1String(": loaded and checked (DONE high)")));
        const QString status = hex32(*state.status);
        if (reload)
            return Verdict::done(exitcode::kDoneLow,
                                 QStringLiteral("DONE stayed low after the reload from flash (status %1): what the "
                                                "flash holds from address 0 did not configure the %2; check it with "
                                                "'feldmoor-cli verify', or write it again")
                                     .arg(status, part));
        return Verdict::done(
            exitcode::kDoneLow,
            request.load.kind == FileKind::Bit
                ? QStringLiteral("DONE stayed low after loading %1 (status %2): the FPGA rejected the configuration; "
                                 "check that the file is intact and made for %3")
                      .arg(request.sourceFile, status, part)
                : QStringLiteral("DONE stayed low after the reload from flash (status %1): the image written from %2 "
                                 "did not configure the %3; check that it is intact and made for this part")
                      .arg(status, request.sourceFile, part));
    };
    return step;
}

Verdict doneCheckOrEnd(const JobRequest &request, const JobState &state, const QString &part, JobObserver &reporter)
{
    const PartFamily family = partFamily(part);
    if (family.doneReadable())
        return Verdict::next();
    reporter.doneCheck({std::nullopt, 0, family.name()});
    return Verdict::done(exitcode::kOk, configuredText(request, state, part) + QLatin1String(" (DONE not checked for ") +
                                            family.name() + QLatin1Char(')'));
}

QList<Step> jobSteps(const JobRequest &request)
{
    switch (request.mode) {
    case JobRequest::Mode::Detect:
        return {detectStep(request)};
    case JobRequest::Mode::Verify:
        return {boardPartStep(request), verifyStep(request)};
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
