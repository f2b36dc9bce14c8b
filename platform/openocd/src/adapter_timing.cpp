#include "adapter_timing.h"

namespace adapter_timing {

double shiftSeconds(std::uint64_t bytes, long khz)
{
    const std::uint64_t transfers = bytes == 0 ? 1 : (bytes + kTransferPayloadBytes - 1) / kTransferPayloadBytes;
    const double clockHz = static_cast<double>(khz) * 1000.0;
    return static_cast<double>(bytes) * 8.0 / clockHz + static_cast<double>(transfers) * kTransferOverheadSeconds;
}

}  // namespace adapter_timing
