#ifndef FELDMOOR_OPENOCD_FLASH_BANK_H
#define FELDMOOR_OPENOCD_FLASH_BANK_H

#include <cstdint>
#include <optional>
#include <string>

class Session;

// OpenOCD's flash bank 0: the board's SPI flash behind the JTAG-to-SPI
// proxy, named after the chip of the FPGA's TAP ("xc7.spi"). Every flash
// command needs the proxy running, as it does once jtagspi_init has loaded it.
namespace flash_bank {

// Throws, naming `command`, unless the proxy runs.
void requireReachable(Session &session, const std::string &command);
// Throws unless `bank` is 0, the one bank there is.
void requireBank(long bank);

std::string name(const Session &session);

// OpenOCD's number forms: "0x%08x", "%f" seconds and "%.3f" KiB/s.
std::string hex(std::uint32_t value);
std::string seconds(double value);
std::string kibPerSecond(std::uint64_t bytes, double seconds);

}  // namespace flash_bank

// `flash banks`, `flash info <bank>`, `flash list` (which also becomes the
// command's result, a Tcl list of one dict per bank).
void flashBanks(Session &session);
void flashInfo(Session &session, long bank);
std::string flashList(Session &session);

// `flash read_bank <bank> <file> [offset [length]]`: the bytes go straight
// into `path` as they are read, so a run stopped half-way leaves part of
// them there, as with OpenOCD.
void readBank(Session &session, long bank, const std::string &path, long long offset,
              std::optional<long long> length);

// `flash erase_check <bank>`: OpenOCD 0.12 cannot blank-check through the
// proxy and fails, saying so sector by sector.
void eraseCheck(Session &session, long bank);

#endif
