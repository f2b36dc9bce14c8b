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
