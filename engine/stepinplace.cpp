#include "engine/stepinplace.h"

#include "engine/jobobserver.h"
#include "engine/toolrun.h"

#include <QFileInfo>

namespace engine {

std::optional<Verdict> prepareStep(Step &step, JobState &state)
{
    if (step.prepare) {
        if (const std::optional<Verdict> refusal = step.prepare(step, state)) {
            if (step.release)
                step.release();
            return refusal;
        }
    }
    if (!QFileInfo(step.command.program).isFile()) {
        if (step.release)
            step.release();
        Outcome missing;
        missing.kind = OutcomeKind::ToolMissing;
        missing.step = step.kind;
        missing.program = step.command.program;
        return Verdict::done(missing);
    }
    return std::nullopt;
}

Verdict judgeStepRun(Step &step, JobState &state, JobObserver &observer, const StepRunEnd &end)
{
    const auto ended = [&step](OutcomeKind kind) {
        Outcome outcome;
        outcome.kind = kind;
        outcome.step = step.kind;
        return outcome;
    };
    Verdict verdict;
    if (!end.started) {
        Outcome notStarted = ended(OutcomeKind::ToolNotStartable);
        notStarted.program = step.command.program;
        notStarted.error = end.error;
        verdict = Verdict::done(notStarted);
    } else if (!end.ended) {
        verdict = Verdict::done(ended(OutcomeKind::Timeout));
    } else if (end.status != QProcess::NormalExit || end.code != 0) {
        const std::optional<Verdict> explained = step.explainFailure ? step.explainFailure(end.output) : std::nullopt;
        Outcome failed = ended(OutcomeKind::ToolFailed);
        failed.crashed = end.status != QProcess::NormalExit;
        failed.exitCode = end.code;
        verdict = explained ? *explained : Verdict::done(failed);
    } else if (const std::optional<Verdict> lost = adapterLostVerdict(step, end.output))
        verdict = *lost;
    else
        verdict = step.judge(end.output, state, observer);
    if (step.release)
        step.release();
    return verdict;
}

Verdict runStepInPlace(Step &step, JobState &state, JobObserver &observer, int waitMs)
{
    if (const std::optional<Verdict> refusal = prepareStep(step, state))
        return *refusal;

    ToolRun tool;
    StepRunEnd end;
    QObject::connect(&tool, &ToolRun::logLine, [&](const QString &line) {
        observer.log(line);
        end.output += line + QLatin1Char('\n');
    });
    tool.start(step.command, step.flashWrite);
    end.ended = tool.waitForFinished(waitMs);
    if (!end.ended && tool.running()) {
        tool.end();
        tool.waitForFinished(waitMs);
    }
    end.status = tool.exitStatus();
    end.code = tool.exitCode();
    end.started = tool.process()->error() != QProcess::FailedToStart;
    end.error = tool.process()->errorString();
    return judgeStepRun(step, state, observer, end);
}

} // namespace engine
