#include "engine/stepinplace.h"

#include "engine/exitcodes.h"
#include "engine/jobobserver.h"
#include "engine/toolrun.h"

#include <QFileInfo>

namespace engine {

Verdict runStepInPlace(Step &step, JobState &state, JobObserver &observer, int waitMs)
{
    if (step.prepare) {
        if (const std::optional<Verdict> refusal = step.prepare(step, state)) {
            if (step.release)
                step.release();
            return *refusal;
        }
    }
    if (!QFileInfo(step.command.program).isFile())
        return Verdict::done(exitcode::kToolMissing, step.command.program);

    ToolRun tool;
    QString output;
    QObject::connect(&tool, &ToolRun::logLine, [&](const QString &line) {
        observer.log(line);
        output += line + QLatin1Char('\n');
    });
    tool.start(step.command, step.flashWrite);
    bool ended = tool.waitForFinished(waitMs);
    if (!ended && tool.running()) {
        tool.end();
        tool.waitForFinished(waitMs);
    }
    const QProcess::ExitStatus status = tool.exitStatus();
    const int code = tool.exitCode();
    const bool started = tool.process()->error() != QProcess::FailedToStart;
    Verdict verdict;
    if (!started)
        verdict = Verdict::done(exitcode::kToolMissing, tool.process()->errorString());
    else if (!ended)
        verdict = Verdict::done(exitcode::kTimeout, step.name);
    else if (status != QProcess::NormalExit || code != 0) {
        const std::optional<Verdict> explained = step.explainFailure ? step.explainFailure(output) : std::nullopt;
        verdict = explained ? *explained : Verdict::done(exitcode::kToolFailed, step.name);
    } else if (const std::optional<Verdict> lost = adapterLostVerdict(step, output))
        verdict = *lost;
    else
        verdict = step.judge(output, state, observer);
    if (step.release)
        step.release();
    return verdict;
}

} // namespace engine
