#ifndef FELDMOOR_OPENOCD_PART_MATCH_H
#define FELDMOOR_OPENOCD_PART_MATCH_H

#include <string>

// Whether a .bit whose field 'b' reads `bitPart` was made for the FPGA
// `boardPart` (a catalogue name such as "xc7a35t" or "xc7k325t-debug").
// Accepted: the same name, or the Xilinx tools' form, the name without "xc"
// followed by a package code ("7a35tcsg324"). Case does not matter.
bool bitPartMatches(const std::string &boardPart, const std::string &bitPart);

#endif
