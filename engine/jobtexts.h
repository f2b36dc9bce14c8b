#ifndef FELDMOOR_ENGINE_JOBTEXTS_H
#define FELDMOOR_ENGINE_JOBTEXTS_H

#include "engine/jobevents.h"
#include "engine/adapterlock.h"
#include "engine/bytecount.h"
#include "engine/jobrequest.h"

#include <QString>

namespace engine {

// How the loader words what it found, shared by the reporter's lines and the
// results that quote them.

// "xc7k325t (IDCODE 0x03651093)", or what was found instead of a known part.
QString boardFoundText(const PartCheck &check);

// "part check passed: ..." or "part mismatch: the board holds ..., the file is for ...".
QString partCheckText(const PartCheck &check);

// "0x00010000..0x0001ffff is blank (all 0xFF)", or where it is not.
QString blankCheckText(const BlankCheck &check);

// "xcku040 can't be loaded here, ...": a part whose family OpenOCD is given
// no script for.
QString noFamilyScriptText(const QString &part);

// What the record's kind column calls the job: "bit" and "bin" for loads,
// else the command ("read", "erase", "blank-check", "reload", "verify").
QString jobKindText(const JobRequest &request);

// "DONE is high (status register 0x...)" or "DONE not checked for Spartan-6".
QString doneCheckText(const DoneCheck &check);

// "adapter 1-1 is in use by the window (process 1234); wait for it to finish".
QString adapterInUseText(const feldmoor::AdapterIdentity &identity, const LockHolder &holder);

} // namespace engine

#endif
