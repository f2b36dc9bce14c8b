#ifndef FELDMOOR_OPENOCD_FPGA_PROGRAMMING_H
#define FELDMOOR_OPENOCD_FPGA_PROGRAMMING_H

#include <string>

class Session;

// `pld load <device> <file>`: a .bit straight into configuration memory.
void pldLoad(Session &session, long device, const std::string &path);

// The proxy half of `jtagspi_init`: loads the JTAG-to-SPI bridge bitstream,
// which must be made for the board's part, and probes the flash behind it.
void jtagspiInit(Session &session, long device, const std::string &proxyPath);

// JPROGRAM through `tapName`: the FPGA clears itself and reconfigures from
// the SPI flash, as after power-up.
void reloadFromFlash(Session &session, const std::string &tapName);

#endif
