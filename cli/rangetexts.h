#ifndef FELDMOOR_CLI_RANGETEXTS_H
#define FELDMOOR_CLI_RANGETEXTS_H

#include "engine/flashgeometry.h"

#include <QString>

namespace cli {

// "0x00400000..0x0042ffff".
QString rangeText(const engine::FlashRange &range);

// "sectors 64 to 66 (0x00400000..0x0042ffff)", "sector 1 (...)": the
// sectors that hold `range`.
QString sectorsText(const engine::FlashGeometry &flash, const engine::FlashRange &range);

// Why a range can't be used, with the nearest range that would do.
QString rangeProblemText(const engine::RangeProblem &problem);

} // namespace cli

#endif
