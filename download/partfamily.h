#ifndef FELDMOOR_DOWNLOAD_PARTFAMILY_H
#define FELDMOOR_DOWNLOAD_PARTFAMILY_H

#include "download/familytable.h"

#include <QString>

// The device family of any typed part name.
struct PartFamily {
    QString prefix;   // first three characters of the part name (QString::mid(0, 3); a shorter name gives the whole text)
    QString script;   // "xilinx-xc6s.cfg" / "xilinx-xc7.cfg" / "" when no family matches
    QString partVariable;  // the Tcl variable the script needs set first ("CHIP"), or empty
    QString partValue;     // its value: the part name in upper case ("XCKU040")
    const feldmoor::FamilyFacts *facts = nullptr;  // nullptr when no family matches
    bool known() const { return facts != nullptr; }
    // What users call it: "Spartan-6", or the prefix for an unknown family.
    QString name() const { return facts ? QLatin1String(facts->name) : prefix; }
    bool doneReadable() const { return facts && facts->doneCheck == feldmoor::DoneCheck::StatusRegister; }
};

// As the loader and the engine's checks see it: every family of the table.
PartFamily partFamily(const QString &partName);
// As the window's lists see it: a family they don't know is no family.
PartFamily windowPartFamily(const QString &partName);

#endif
