#ifndef FELDMOOR_CLI_OUTCOMETEXTS_H
#define FELDMOOR_CLI_OUTCOMETEXTS_H

#include "engine/jobevents.h"
#include "engine/jobsteps.h"
#include "engine/outcome.h"

#include <QString>

namespace cli {

// How the loader words what the engine reports: a job's end, the notes on
// its way, its runs.

// "the chain probe": how the loader names a run in its messages.
QString stepName(engine::StepKind step);

// The result line of a job that ended so.
QString outcomeText(const engine::Outcome &outcome);

// Whether that line sends the reader to the tool's log.
bool pointsAtLog(engine::OutcomeKind kind);

QString noticeText(const engine::Notice &notice);

// "a flash sector erase took under 10 ms (...)".
QString restartReason(const engine::Restart &restart);

// What a dry run says of a run besides its list; empty when nothing.
QString dryRunNote(const engine::Step &step);

} // namespace cli

#endif
