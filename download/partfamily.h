#ifndef FELDMOOR_DOWNLOAD_PARTFAMILY_H
#define FELDMOOR_DOWNLOAD_PARTFAMILY_H

#include "download/familytable.h"

#include <QString>

// The device family of any typed part name, as the window composes it.
struct PartFamily {
    QString prefix;   // first three characters of the part name (QString::mid(0, 3); a shorter name gives the whole text)
    QString script;   // "xilinx-xc6s.cfg" / "xilinx-xc7.cfg" / "" when no family matches
    const feldmoor::FamilyFacts *facts = nullptr;  // nullptr when no family matches
    bool known() const { return facts != nullptr; }
    // What users call it: "Spartan-6", or the prefix for an unknown family.
    QString name() const { return facts ? QLatin1String(facts->name) : prefix; }
    bool doneReadable() const { return facts && facts->doneCheck == feldmoor::DoneCheck::StatusRegister; }
};

PartFamily partFamily(const QString &partName);

#endif
