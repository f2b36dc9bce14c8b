#ifndef FELDMOOR_ENGINE_STEPINPLACE_H
#define FELDMOOR_ENGINE_STEPINPLACE_H

#include "engine/jobsteps.h"

#include <QProcess>

namespace engine {

class JobObserver;

// Runs one step's tool to its end in place, waiting at most `waitMs`, and
// judges it as the runner would: for a face that waits on its checks
// (the window, whose job state lives in its own run), not for a job.
// The facts reach `observer` and `state`; the verdict tells how it ended.
Verdict runStepInPlace(Step &step, JobState &state, JobObserver &observer, int waitMs);

// How one run of a step's tool ended, for a face that runs it itself.
struct StepRunEnd {
    bool started = true;
    bool ended = true;  // false: it did not end in its time and was ended
    QProcess::ExitStatus status = QProcess::NormalExit;
    int code = 0;
    QString error;      // why it did not start
    QString output;     // its log, a line each
};

// The step's `prepare`: a verdict when the step must not run (its `release`
// done), else nothing, and the step's command is ready to start.
std::optional<Verdict> prepareStep(Step &step, JobState &state);

// The verdict on a run that ended as `end` says, judged as runStepInPlace
// judges it; the step's `release` is done.
Verdict judgeStepRun(Step &step, JobState &state, JobObserver &observer, const StepRunEnd &end);

} // namespace engine

#endif
