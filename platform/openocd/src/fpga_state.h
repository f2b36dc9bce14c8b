#ifndef FELDMOOR_OPENOCD_FPGA_STATE_H
#define FELDMOOR_OPENOCD_FPGA_STATE_H

#include <string>
#include <utility>
#include <vector>

// What the simulated FPGA was last configured with, kept in the board file
// `fpga` so that tests and people can see the effect of a run. One
// "key=value" line per entry, in this order:
//   source=jtag|flash|none  how it was configured (pld load / reload from
//                       flash), or none: not (yet) configured
//   part=<name>         the board's FPGA
//   rejected=<why>      (none only) the .bit path of a pld load the FPGA
//                       refused, silent-reject, idcode or blank (reloads)
//   error=ID_ERROR|CRC_ERROR  (none only) the status register's error bit
//   design=<name>       field 'a' of the .bit up to ';' (jtag only)
//   file=<path>         the .bit as named on the command line (jtag only)
//   offset=0x<hex>      where the FPGA read the flash image (flash only)
//   bytes=<decimal>     configuration data length (.bit field 'e', or the
//                       flash image up to its last non-0xFF byte)
//   crc32=<8 hex>       zlib CRC-32 of those bytes
//   clock_khz=<n>       adapter speed of the run that configured it
// Values escape a backslash as "\\" and a line feed as "\n".
using FpgaState = std::vector<std::pair<std::string, std::string>>;

std::string formatFpgaState(const FpgaState &state);
FpgaState parseFpgaState(const std::string &text);

// The value for `key`, or an empty string.
std::string fpgaStateValue(const FpgaState &state, const std::string &key);

#endif
