#ifndef FELDMOOR_CLI_JOBTEXTS_H
#define FELDMOOR_CLI_JOBTEXTS_H

#include "engine/jobevents.h"

#include <QString>

namespace cli {

// How the loader words the checks a job made, shared by the reporter's lines
// and the results that quote them.

// "xc7k325t (IDCODE 0x03651093)", or what was found instead of a known part.
QString boardFoundText(const engine::PartCheck &check);

// "part check passed: ..." or "part mismatch: the board holds ..., the file is for ...".
QString partCheckText(const engine::PartCheck &check);

// "0x00010000..0x0001ffff is blank (all 0xFF)", or where it is not.
QString blankCheckText(const engine::BlankCheck &check);

// "xcku040 can't be loaded here, ...": a part whose family OpenOCD is given
// no script for.
QString noFamilyScriptText(const QString &part);

} // namespace cli

#endif
