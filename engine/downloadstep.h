#ifndef FELDMOOR_ENGINE_DOWNLOADSTEP_H
#define FELDMOOR_ENGINE_DOWNLOADSTEP_H

#include "engine/jobsteps.h"

namespace engine {

// The window's download: the one run of the list composeDownloadCommand
// gives, a .bit into the FPGA or a .bin into its flash. Its output comes in
// chunks, each judged alone, so a too-fast erase restarts any run of it. Once
// it exits 0 its log is judged here, once: an image the flash could not hold
// (the tool exits 0 after it), else the TAP line's part is kept and the job
// goes on to the DONE check where the list's family has one.
Step downloadStep(const JobRequest &request);

} // namespace engine

#endif
