#include "engine/stepinplace.h"

#include "engine/exitcodes.h"
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
        return Verdict::done(exitcode::kToolMissing, step.command.program);
    }
    return std::nullopt;
}

Verdict judgeStepRun(Step &step, JobState &state, JobObserver &observer, const StepRunEnd &end)
{
    Verdict verdict;
    if (!end.started)
        verdict = Verdict::done(exitcode::kToolMissing, end.error);
    else if (!end.ended)
        verdict = Verdict::done(exitcode::kTimeout, step.name);
    else if (end.status != QProcess::NormalExit || end.code != 0) {
        const std::optional<Verdict> explained = step.explainFailure ? step.explainFailure(end.output) : std::nullopt;
        verdict = explained ? *explained : Verdict::done(exitcode::kToolFailed, step.name);
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
