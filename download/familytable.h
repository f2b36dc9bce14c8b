#ifndef FELDMOOR_DOWNLOAD_FAMILYTABLE_H
#define FELDMOOR_DOWNLOAD_FAMILYTABLE_H

// What each device family can do, told by the first three characters of a
// part name: the OpenOCD script that declares its TAP, the Tcl procedure that
// reconfigures it from flash, and whether DONE can be read afterwards. Plain
// C++, so that the OpenOCD simulator reads the same table as the window and
// the loader.

#include <cstring>

namespace feldmoor {

enum class DoneCheck {
    None,            // the status register's layout is not known for the family
    StatusRegister,  // `virtex2 read_stat 0`, DONE in bit `doneBit`
};

struct FamilyFacts {
    const char *prefix;   // the part name's first three characters
    const char *name;     // what users call the family
    const char *script;   // under cpld/ in OpenOCD's scripts
    DoneCheck doneCheck;
    unsigned doneBit;
};

// Spartan-3 parts share the Spartan-6 script: both load a configuration with
// the same JTAG instructions.
inline constexpr FamilyFacts kFamilies[] = {
    {"xc6", "Spartan-6", "xilinx-xc6s.cfg", DoneCheck::None, 0},
    {"xc7", "7-series", "xilinx-xc7.cfg", DoneCheck::StatusRegister, 14},
    {"xc3", "Spartan-3", "xilinx-xc6s.cfg", DoneCheck::None, 0},
};

// The family of `partName`, or nullptr when its prefix names none.
inline const FamilyFacts *findFamily(const char *partName)
{
    for (const FamilyFacts &family : kFamilies) {
        if (std::strncmp(partName, family.prefix, 3) == 0)
            return &family;
    }
    return nullptr;
}

} // namespace feldmoor

#endif
