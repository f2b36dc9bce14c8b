#ifndef FELDMOOR_DOWNLOAD_FAMILYTABLE_H
#define FELDMOOR_DOWNLOAD_FAMILYTABLE_H

// What each device family can do, told by the first three characters of a
// part name: the OpenOCD script that declares its TAP, what that script needs
// set before it, the Tcl procedure that reconfigures it from flash, and
// whether DONE can be read afterwards. Plain C++, so that the OpenOCD
// simulator reads the same table as the window and the loader.

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
    // The chip name of the TAP the script declares, which names the reload
    // procedure and its TAP: "<chip>_program <chip>.tap".
    const char *chip;
    // The Tcl variable the script reads the exact part from (set to the part
    // name in upper case before it is sourced), or nullptr when it needs none.
    const char *partVariable;
    // Whether the window's own lists know the family. They were fixed before
    // the loader learnt the later families, and still name no script for them.
    bool inWindowLists;
};

// Spartan-3 parts share the Spartan-6 script: both load a configuration with
// the same JTAG instructions.
// One script covers every UltraScale chip; it errors out unless CHIP names
// the one on the board.
inline constexpr FamilyFacts kFamilies[] = {
    {"xc6", "Spartan-6", "xilinx-xc6s.cfg", DoneCheck::None, 0, "xc6", nullptr, true},
    {"xc7", "7-series", "xilinx-xc7.cfg", DoneCheck::StatusRegister, 14, "xc7", nullptr, true},
    {"xc3", "Spartan-3", "xilinx-xc6s.cfg", DoneCheck::None, 0, "xc3", nullptr, true},
    {"xck", "Kintex UltraScale", "xilinx-xcu.cfg", DoneCheck::StatusRegister, 14, "xcu", "CHIP", false},
};

enum class FamilyScope {
    Loader,  // every family the table knows
    Window,  // only those the window's lists know
};

// The family of `partName`, or nullptr when its prefix names none.
inline const FamilyFacts *findFamily(const char *partName, FamilyScope scope = FamilyScope::Loader)
{
    for (const FamilyFacts &family : kFamilies) {
        if (scope == FamilyScope::Window && !family.inWindowLists)
            continue;
        if (std::strncmp(partName, family.prefix, 3) == 0)
            return &family;
    }
    return nullptr;
}

} // namespace feldmoor

#endif
