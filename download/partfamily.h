#ifndef FELDMOOR_DOWNLOAD_PARTFAMILY_H
#define FELDMOOR_DOWNLOAD_PARTFAMILY_H

#include <QString>

// The device family of a part name and the OpenOCD script that drives it.
struct PartFamily {
    QString prefix;   // first three characters of the part name (QString::mid(0, 3); a shorter name gives the whole text)
    QString script;   // "xilinx-xc6s.cfg" / "xilinx-xc7.cfg" / "" when no family matches
    bool known() const { return !script.isEmpty(); }
};

PartFamily partFamily(const QString &partName);

#endif
