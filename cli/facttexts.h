#ifndef FELDMOOR_CLI_FACTTEXTS_H
#define FELDMOOR_CLI_FACTTEXTS_H

#include "engine/adapterlock.h"
#include "engine/jobevents.h"
#include "engine/jobrequest.h"

#include <QString>

namespace cli {

// The loader's words for what the engine found, where no step quotes them.

// What the record's kind column calls the job: "bit" and "bin" for loads,
// else the command ("read", "erase", "blank-check", "reload", "verify").
QString jobKindText(const engine::JobRequest &request);

// "DONE is high (status register 0x...)" or "DONE not checked for Spartan-6".
QString doneCheckText(const engine::DoneCheck &check);

// "adapter 1-1 is in use by the window (process 1234); wait for it to finish".
QString adapterInUseText(const feldmoor::AdapterIdentity &identity, const engine::LockHolder &holder);

} // namespace cli

#endif
