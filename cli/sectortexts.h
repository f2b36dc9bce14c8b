#ifndef FELDMOOR_CLI_SECTORTEXTS_H
#define FELDMOOR_CLI_SECTORTEXTS_H

#include "engine/jobevents.h"

#include <QString>

namespace cli {

// "256 sectors: 240 unchanged, 10 written without erase, 6 erased and
// written", or, when every sector already holds the image, "flash already
// holds the image (16 sectors unchanged)".
QString sectorSummaryText(const engine::SectorSummary &summary);

// Sector numbers as runs: "3, 7 to 9".
QString sectorListText(const QList<quint32> &sectors);

// What a flash write cut short leaves behind, naming the sector it was in.
QString sectorStoppedText(const engine::SectorWriteStopped &stopped);

} // namespace cli

#endif
