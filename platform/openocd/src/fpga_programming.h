#ifndef FELDMOOR_OPENOCD_FPGA_PROGRAMMING_H
#define FELDMOOR_OPENOCD_FPGA_PROGRAMMING_H

#include <cstdint>
#include <string>

class Session;

// `pld load <device> <file>`: a .bit straight into configuration memory. As
// in OpenOCD 0.12, only a file that is no whole .bit container fails; a
// stream the FPGA rejects (another part, no sync word) still reports
// "loaded file", and only the status register tells.
void pldLoad(Session &session, long device, const std::string &path);

// The proxy half of `jtagspi_init`: loads the JTAG-to-SPI bridge bitstream,
// which must be made for the board's part, and probes the flash behind it.
void jtagspiInit(Session &session, long device, const std::string &proxyPath);

// JPROGRAM through `tapName`: the FPGA clears itself and reconfigures from
// the SPI flash, as after power-up.
void reloadFromFlash(Session &session, const std::string &tapName);

// `virtex2 read_stat <device>`: the configuration status register as the
// 7-series FPGA reports it (DONE is bit 14: high while the FPGA holds a
// configuration made for its part). Other families read 0, unmodelled.
std::uint32_t statusRegister(Session &session, long device);

#endif
