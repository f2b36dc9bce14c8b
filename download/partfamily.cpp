#include "download/partfamily.h"

#include <QLatin1String>

namespace {

struct FamilyScript {
    QLatin1String prefix;
    QLatin1String script;
};

} // namespace

PartFamily partFamily(const QString &partName)
{
    // Spartan-3 parts share the Spartan-6 script: both load a configuration
    // with the same JTAG instructions.
    constexpr FamilyScript familyScripts[] = {
        { QLatin1String("xc6"), QLatin1String("xilinx-xc6s.cfg") },
        { QLatin1String("xc7"), QLatin1String("xilinx-xc7.cfg") },
        { QLatin1String("xc3"), QLatin1String("xilinx-xc6s.cfg") },
    };

    PartFamily family;
    family.prefix = partName.mid(0, 3);
    for (const FamilyScript &entry : familyScripts) {
        if (family.prefix == entry.prefix) {
            family.script = entry.script;
            break;
        }
    }
    return family;
}
