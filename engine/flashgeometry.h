#ifndef FELDMOOR_ENGINE_FLASHGEOMETRY_H
#define FELDMOOR_ENGINE_FLASHGEOMETRY_H

#include <QString>

#include <optional>

namespace engine {

// The SPI flash behind the proxy, as OpenOCD 0.12 reports it, and the
// ranges the loader's flash commands may be given.

// A jtagspi bank: its size and its one sector size.
struct FlashGeometry {
    quint64 size = 0;
    quint64 sectorSize = 0;  // 0: not reported (`flash banks` alone)
    bool knowsSectors() const { return sectorSize != 0; }
};

// Bank 0 from what `flash banks` or `flash info 0` print: the size from the
// "#0 : ... size 0x01000000" line, the sectors from the sector table (every
// line "#  N: 0x%08x (0x10000 64kB)"), else from "sector size = 64 kbytes".
// Nothing when there is no size, or the sectors do not add up to the bank or
// differ in size.
std::optional<FlashGeometry> flashGeometry(const QString &toolLog);

// `size` bytes from `offset`.
struct FlashRange {
    quint64 offset = 0;
    quint64 size = 0;
    quint64 end() const { return offset + size; }
};

// What a range is for: a read may start and end anywhere; an erase must
// cover whole sectors; a write must start on a sector, since erasing its
// first sector would lose the bytes before it.
enum class RangeUse { Read, Erase, Write };

// Why a range can't be used so on a flash: its start or its end lies past
// the flash's end, or it is not aligned as its use needs.
struct RangeProblem {
    enum class Reason { StartsPastEnd, RunsPastEnd, EraseNotAligned, WriteNotOnSector };
    Reason reason = Reason::StartsPastEnd;
    FlashGeometry flash;
    FlashRange range;
};

// Why `range` can't be used so on `flash`; nothing when it can. Without the
// sectors only the end is checked.
std::optional<RangeProblem> flashRangeProblem(const FlashGeometry &flash, const FlashRange &range, RangeUse use);

// The whole sectors that hold `range`.
FlashRange sectorCover(const FlashGeometry &flash, const FlashRange &range);

} // namespace engine

#endif
