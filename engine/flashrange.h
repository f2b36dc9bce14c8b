#ifndef FELDMOOR_ENGINE_FLASHRANGE_H
#define FELDMOOR_ENGINE_FLASHRANGE_H

#include "engine/flashgeometry.h"
#include "engine/jobrequest.h"
#include "engine/jobsteps.h"

#include <QString>

#include <optional>

namespace engine {

// The range rules every flash operation shares: the range a job works on,
// what it is used for, and the refusals of a range that runs past the
// flash's end or is not aligned as its use needs, made before anything is
// erased or written: OpenOCD 0.12 itself pads an unaligned write's erase and
// cuts a write that runs past the end short, and still exits 0.

// The range the request gives without the flash's size: nothing for a
// read to the flash's end.
std::optional<FlashRange> requestedRange(const JobRequest &request);

// What the job's range is used for.
RangeUse rangeUse(const JobRequest &request);

// The range the job works on, checked against `flash`.
FlashRange flashJobRange(const JobRequest &request, const FlashGeometry &flash);

// The range, as the judge of the geometry run checked it.
FlashRange checkedRange(const JobRequest &request, const JobState &state);

// Whether the job's range must be checked against the sectors (`flash info
// 0`): an erase of a range, and a write at an offset other than 0, where
// every sector starts.
bool needsSectors(const JobRequest &request);

// The job's range refused, before anything is changed.
Verdict rangeRefusal(const JobRequest &request, const RangeProblem &problem, StepKind step);

// The job's range against the flash size a run printed (`flash banks`) for a
// job that only reads the flash (read, verify): the refusal when it runs
// past the end.
std::optional<Verdict> readRangeRefusal(const JobRequest &request, const QString &output, StepKind step);

// The tool refused a flash range itself ("out of range of the flash bank",
// "not sector-aligned"): a verdict quoting it.
std::optional<Verdict> flashRangeRefusal(const JobRequest &request, const QString &output, StepKind step);

// Before a write at an offset and an erase of a range: the flash's size (and
// its sectors, but for a write at 0) in a short run whose judge refuses the
// range, or notes what the write will erase.
Step geometryStep(const JobRequest &request);

} // namespace engine

#endif
