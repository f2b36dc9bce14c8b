#ifndef FELDMOOR_ENGINE_SECTORPLAN_H
#define FELDMOOR_ENGINE_SECTORPLAN_H

#include "engine/jobevents.h"

#include <QByteArray>
#include <QList>

namespace engine {

// What a flash write does to each sector its image covers, decided on the
// host from the sectors read back: nothing where they already hold the
// image's bytes, a program without an erase where the bytes to be written
// are all 0xFF (erased), else an erase and a program. The bytes after the
// image's end in its last sector are kept: an erased sector gets back what
// it held there.
enum class SectorAction { Unchanged, Program, EraseProgram };

struct SectorWork {
    quint32 index = 0;     // sector number in the bank
    quint64 address = 0;   // its first byte
    SectorAction action = SectorAction::Unchanged;
    QByteArray bytes;      // what to program from `address`; trailing 0xFF left out, as erased bytes hold it
};

struct SectorPlan {
    quint64 offset = 0;
    quint64 sectorSize = 0;
    QList<SectorWork> sectors;
    // The counts, and the bytes the plan programs.
    SectorSummary summary() const;
    qint64 bytesToProgram() const;
};

// `image` at `offset` (on a sector), against `flash`, the bytes read back
// from `offset` over every sector the image touches.
SectorPlan planSectors(const QByteArray &image, const QByteArray &flash, quint64 offset, quint64 sectorSize);

// Sector numbers as runs: "3, 7 to 9".
QString sectorListText(const QList<quint32> &sectors);

} // namespace engine

#endif
