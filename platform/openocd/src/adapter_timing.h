#ifndef FELDMOOR_OPENOCD_ADAPTER_TIMING_H
#define FELDMOOR_OPENOCD_ADAPTER_TIMING_H

#include <cstdint>

// How long the hardware would take, so that a simulated run feels like a
// real one: a USB high-speed JTAG bridge pays one microframe per transfer on
// top of clocking the bits, and the flash timings are the typical values of a
// 128 Mbit SPI NOR part (N25Q128 / W25Q128 class).
namespace adapter_timing {

constexpr double kTransferOverheadSeconds = 0.000125;
constexpr std::uint64_t kTransferPayloadBytes = 4096;
constexpr double kSectorEraseSeconds = 0.150;   // 64 KiB sector
// A bulk (chip) erase, which OpenOCD uses when every sector is to go: this
// class of part gives it as a little under erasing the sectors one by one
// (N25Q128: 170 s typical against 256 x 0.7 s), so 95 % of the sector time
// per sector here, about 36.5 s for the 16 MiB flash.
constexpr double kChipEraseSecondsPerSector = 0.95 * kSectorEraseSeconds;
constexpr double kPageProgramSeconds = 0.0007;  // 256-byte page
// The FPGA reading its configuration from flash at power-up speed (quad SPI
// at about 33 MHz) plus the start-up sequence.
constexpr double kFlashConfigBitsPerSecond = 4 * 33e6;
constexpr double kStartupSeconds = 0.050;

// Time to shift `bytes` through the JTAG chain at `khz` in transfers of at
// most kTransferPayloadBytes, each with its USB overhead.
double shiftSeconds(std::uint64_t bytes, long khz);

}  // namespace adapter_timing

#endif
