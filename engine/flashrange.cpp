#include "engine/flashrange.h"

#include "engine/flashstepparts.h"
#include "engine/jobobserver.h"
#include "engine/toolcommands.h"

#include "download/commandpieces.h"

#include <QRegularExpression>

namespace engine {

namespace piece = commandpiece;

namespace {

using Mode = JobRequest::Mode;

} // namespace

std::optional<FlashRange> requestedRange(const JobRequest &request)
{
    const quint64 offset = request.flash.offset.value_or(0);
    if (request.mode == Mode::Load || request.mode == Mode::Verify)
        return FlashRange{offset, quint64(request.fileSize)};
    if (request.flash.size)
        return FlashRange{offset, *request.flash.size};
    return std::nullopt;
}

RangeUse rangeUse(const JobRequest &request)
{
    switch (request.mode) {
    case Mode::Load:
        return RangeUse::Write;
    case Mode::Erase:
        return RangeUse::Erase;
    default:
        return RangeUse::Read;
    }
}

FlashRange flashJobRange(const JobRequest &request, const FlashGeometry &flash)
{
    if (request.mode == Mode::Erase && request.flash.whole)
        return {0, flash.size};
    if (const std::optional<FlashRange> range = requestedRange(request))
        return *range;
    // To the flash's end; an offset past it keeps one byte, for the check to refuse.
    const quint64 offset = request.flash.offset.value_or(0);
    return {offset, offset < flash.size ? flash.size - offset : 1};
}

FlashRange checkedRange(const JobRequest &request, const JobState &state)
{
    if (state.range)
        return *state.range;
    return requestedRange(request).value_or(FlashRange{});
}

bool needsSectors(const JobRequest &request)
{
    return (request.mode == Mode::Erase && !request.flash.whole) ||
           (request.mode == Mode::Load && request.flash.offset.value_or(0) != 0);
}

Verdict rangeRefusal(const JobRequest &request, const RangeProblem &problem, StepKind step)
{
    Outcome outcome = outcomeOf(request, OutcomeKind::RangeRefused, step);
    outcome.problem = problem;
    return Verdict::done(outcome);
}

std::optional<Verdict> readRangeRefusal(const JobRequest &request, const QString &output, StepKind step)
{
    const std::optional<FlashGeometry> flash = flashGeometry(output);
    if (!flash)
        return std::nullopt;
    const std::optional<RangeProblem> problem = flashRangeProblem(*flash, flashJobRange(request, *flash), RangeUse::Read);
    if (!problem)
        return std::nullopt;
    return rangeRefusal(request, *problem, step);
}

std::optional<Verdict> flashRangeRefusal(const JobRequest &request, const QString &output, StepKind step)
{
    static const QRegularExpression refusal(
        QStringLiteral("Error: ((?:Length of .* is out of range of the flash bank)|(?:address range .* is not "
                       "sector-aligned))"));
    const QRegularExpressionMatch match = refusal.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    Outcome refused = outcomeOf(request, OutcomeKind::ToolRefusedRange, step);
    refused.toolLine = match.captured(1);
    return Verdict::settled(refused);
}

Step geometryStep(const JobRequest &request)
{
    const bool sectors = needsSectors(request);
    Step step;
    const StepKind kind = sectors ? StepKind::FlashGeometryRead : StepKind::FlashSizeRead;
    step.kind = kind;
    step.prepare = [request, sectors](Step &self, const JobState &state) -> std::optional<Verdict> {
        QStringList pieces{piece::flashBanks()};
        if (sectors)
            pieces << piece::flashInfo();
        self.command = flashCommand(request, state, pieces);
        return std::nullopt;
    };
    step.dryRunRange = requestedRange(request);
    step.judge = [request, sectors, kind](const QString &output, JobState &state, JobObserver &reporter) {
        state.flash = flashGeometry(output);
        if (!state.flash || (sectors && !state.flash->knowsSectors()))
            return Verdict::done(flashOutcome(request, state, OutcomeKind::NoFlashGeometry, kind));
        const FlashRange range = flashJobRange(request, *state.flash);
        if (const std::optional<RangeProblem> problem = flashRangeProblem(*state.flash, range, rangeUse(request)))
            return rangeRefusal(request, *problem, kind);
        state.range = range;
        if (request.mode == Mode::Load) {
            Notice notice;
            notice.kind = state.flash->knowsSectors() ? Notice::Kind::ErasingSectors : Notice::Kind::ErasingRange;
            notice.file = request.sourceFile;
            notice.fileSize = request.fileSize;
            notice.range = range;
            notice.flash = *state.flash;
            reporter.notice(notice);
        }
        return Verdict::next();
    };
    return step;
}

} // namespace engine
