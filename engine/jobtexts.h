#ifndef FELDMOOR_ENGINE_JOBTEXTS_H
#define FELDMOOR_ENGINE_JOBTEXTS_H

#include "engine/jobevents.h"
#include "engine/bytecount.h"
#include "engine/jobrequest.h"

#include <QString>

namespace engine {

// How the loader words what it found, shared by the reporter's lines and the
// results of the steps that quote them.

// "xc7k325t (IDCODE 0x03651093)", or what was found instead of a known part.
QString boardFoundText(const PartCheck &check);

// "part check passed: ..." or "part mismatch: the board holds ..., the file is for ...".
QString partCheckText(const PartCheck &check);

// "0x00010000..0x0001ffff is blank (all 0xFF)", or where it is not.
QString blankCheckText(const BlankCheck &check);

// "xcku040 can't be loaded here, ...": a part whose family OpenOCD is given
// no script for.
QString noFamilyScriptText(const QString &part);

} // namespace engine

#endif
