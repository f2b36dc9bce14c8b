#ifndef FELDMOOR_ENGINE_STEPINPLACE_H
#define FELDMOOR_ENGINE_STEPINPLACE_H

#include "engine/jobsteps.h"

namespace engine {

class JobObserver;

// Runs one step's tool to its end in place, waiting at most `waitMs`, and
// judges it as the runner would: for a face that waits on its checks
// (the window, whose job state lives in its own run), not for a job.
// The facts reach `observer` and `state`; the verdict tells how it ended.
Verdict runStepInPlace(Step &step, JobState &state, JobObserver &observer, int waitMs);

} // namespace engine

#endif
