#ifndef FELDMOOR_ENGINE_FLASHSTEPS_H
#define FELDMOOR_ENGINE_FLASHSTEPS_H

#include "engine/jobevents.h"
#include "engine/jobsteps.h"

#include <QList>

namespace engine {

// The steps of the jobs on the SPI flash: verify, a write (a .bin, a .mcs's
// image or a .bit's payload), read, erase, blank-check and reload. Before a
// write at an offset and an erase of a range, the tool reports the flash's
// size (and its sectors, but for a write at 0) in a short run whose judge
// refuses a range that runs past the end or is not aligned as the job needs
// (flashrange.h). A read asks for the size in its own run, since OpenOCD
// refuses a read past the end before reading. A write without an offset is
// the window's job, unchanged. Each operation's steps are in a file of their
// own (flashstepparts.h names them).
QList<Step> flashJobSteps(const JobRequest &request);

// What a write or an erase that did not finish leaves changed: the sectors
// it works on where the tool told them, else its range.
FlashLeftChanged flashLeftChanged(const JobRequest &request, const JobState &state);

} // namespace engine

#endif
