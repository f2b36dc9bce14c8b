#ifndef FELDMOOR_ENGINE_FLASHSTEPS_H
#define FELDMOOR_ENGINE_FLASHSTEPS_H

#include "engine/jobevents.h"
#include "engine/jobsteps.h"

#include <QIODevice>
#include <QList>
#include <QString>

#include <optional>

namespace engine {

// The steps of the jobs on the SPI flash: a write (a .bin, a .mcs's image or
// a .bit's payload), read, erase, blank-check and reload. Before a write at
// an offset and an erase of a range, the tool reports the flash's size (and
// its sectors, but for a write at 0) in a short run whose judge refuses a
// range that runs past the end or is not aligned as the job needs, before
// anything is erased or written: OpenOCD 0.12 itself pads an unaligned
// write's erase and cuts a write that runs past the end short, and still
// exits 0. A read asks for the size in its own run, since OpenOCD refuses a
// read past the end before reading. A write without an offset is the
// window's job, unchanged.
QList<Step> flashJobSteps(const JobRequest &request);

// What a write or an erase that did not finish leaves changed: the sectors
// it works on where the tool told them, else its range.
FlashLeftChanged flashLeftChanged(const JobRequest &request, const JobState &state);

// The job's range against the flash size a run printed (`flash banks`) for a
// job that only reads the flash (read, verify): the refusal when it runs
// past the end.
std::optional<Verdict> readRangeRefusal(const JobRequest &request, const QString &output, StepKind step);

// The range the job works on, checked against `flash`.
FlashRange flashJobRange(const JobRequest &request, const FlashGeometry &flash);

// The tool refused a flash range itself ("out of range of the flash bank",
// "not sector-aligned"): a verdict quoting it.
std::optional<Verdict> flashRangeRefusal(const JobRequest &request, const QString &output, StepKind step);

// Counts the bytes other than 0xFF in `device` from its position on, read
// as the range from `offset`: the blank check on the host, since
// `flash erase_check` does not work on a jtagspi bank.
BlankCheck scanBlank(QIODevice &device, quint64 offset);

} // namespace engine

#endif
