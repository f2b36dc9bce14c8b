#ifndef FELDMOOR_ENGINE_SECTORPLAN_H
#define FELDMOOR_ENGINE_SECTORPLAN_H

#include "engine/jobevents.h"

#include <QByteArray>
#include <QList>
#include <QMap>

namespace engine {

// What a flash write does to each sector its image covers, decided on the
// host from the sectors read back: nothing where they already hold the
// image's bytes, a program without an erase where the bytes to be written
// are all 0xFF (erased), else an erase and a program. The bytes after the
// image's end in its last sector are kept: an erased sector gets back what
// it held there, or, for a sector a cut-off write had erased, what it held
// before that write (kept on the disk, sectorrecovery.h).
enum class SectorAction { Unchanged, Program, EraseProgram };

struct SectorWork {
    quint32 index = 0;     // sector number in the bank
    quint64 address = 0;   // its first byte
    SectorAction action = SectorAction::Unchanged;
    QByteArray bytes;      // what to program from `address`; trailing 0xFF left out, as erased bytes hold it
    // For an erase: what the sector holds that must be kept safe until it
    // holds its new bytes (the bytes read back, with those put back after
    // the image in place).
    QByteArray before;
    // Bytes after the image's end that go back as a kept sector says, other
    // than what the sector holds there now.
    qsizetype restored = 0;
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
// from `offset` over every sector the image touches. `kept` holds, by sector
// number, the whole old contents of sectors that a cut-off write erased: what
// they held after the image's end is what goes back there.
SectorPlan planSectors(const QByteArray &image, const QByteArray &flash, quint64 offset, quint64 sectorSize,
                       const QMap<quint32, QByteArray> &kept = {});

} // namespace engine

#endif
