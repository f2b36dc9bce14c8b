#ifndef FELDMOOR_ENGINE_JOBEVENTS_H
#define FELDMOOR_ENGINE_JOBEVENTS_H

#include "engine/flashgeometry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace engine {

// What a job found out, as facts; the reporter turns each into text or JSON.

// The board's part against what the file says it was made for.
struct PartCheck {
    bool ok = false;
    std::optional<quint32> idcode;  // nothing: the chain is empty
    QString boardPart;              // catalogue name; empty when the IDCODE is not in it
    QString expectedPart;
    QString claimSource;            // where the claim came from, as the job's request words it
    QString commandPart;            // set when the commands are for another part than expected
    bool fromFile = true;           // false: the claim is the request's alone, for a job without a file
};

// DONE after a configuration; `high` is nothing when the family's DONE is
// not read.
struct DoneCheck {
    std::optional<bool> high;
    quint32 status = 0;
    QString family;
};

// What a blank check found in the range it read back.
struct BlankCheck {
    quint64 offset = 0;
    quint64 size = 0;
    quint64 nonBlank = 0;       // bytes other than 0xFF
    quint64 firstNonBlank = 0;  // the address of the first, when there is one
};

// What a flash write found when it compared the sectors its image covers
// with the image: how many already held it, how many were erased (all 0xFF
// where the image goes) and are programmed without an erase, and how many
// are erased, then programmed.
struct SectorSummary {
    int sectors = 0;
    int unchanged = 0;
    int programmed = 0;
    int erased = 0;
    quint64 offset = 0;
    // Sectors that get back, after the image's end, the bytes a cut-off
    // write had erased, from the files that kept them; how many bytes.
    QList<quint32> restoredSectors;
    quint64 restoredBytes = 0;
    QStringList restoredFiles;
    bool identical() const { return sectors > 0 && unchanged == sectors; }
};

// A flash write stopped before it was done (interrupted, timed out, the
// board gone): every sector but `current` holds either its old or its new
// bytes; `current`, when there is one, was being erased or programmed.
struct SectorWriteStopped {
    std::optional<quint32> current;
    quint64 currentAddress = 0;
    quint64 sectorSize = 0;
    int done = 0;       // sectors of the plan already written
    int remaining = 0;  // sectors of the plan not yet begun
    // Where the old contents of `current` are kept: the next write of the
    // same range on the same adapter and board puts them back from there.
    QString keptFile;
};

// A flash write started again after a sector erase that took under 10 ms.
struct Restart {
    int attempt = 0;
    int allowed = 0;
    QString report;  // the tool's line that told it
};

// What a job tells on its way besides its checks.
struct Notice {
    enum class Kind {
        PastMismatch,     // the board holds another part, and the job goes on as asked
        CommandsForBoard, // the commands are for the part the board holds
        ErasingSectors,   // a write at an offset erases these sectors alone
        ErasingRange,     // a write erases its range rounded out to whole sectors
    };
    Kind kind = Kind::PastMismatch;
    QString part;
    std::optional<quint32> idcode;
    QString file;
    qint64 fileSize = 0;
    FlashRange range;
    FlashGeometry flash;
};

// The flash range a write or an erase was changing when the job ended
// before that run finished (interrupted, timed out, the tool failed or the
// adapter went): it now holds some of its old bytes, some 0xFF and perhaps
// some new ones.
struct FlashLeftChanged {
    quint64 offset = 0;
    quint64 size = 0;      // 0 with `whole`: the flash's size was not known
    bool whole = false;    // the chip erase
    bool erase = false;    // an erase only; else an erase and a write
    bool sectors = false;  // the range is the whole sectors the run changes
};


} // namespace engine

#endif
