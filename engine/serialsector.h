#ifndef FELDMOOR_ENGINE_SERIALSECTOR_H
#define FELDMOOR_ENGINE_SERIALSECTOR_H

#include "engine/flashgeometry.h"
#include "engine/jobsteps.h"
#include "engine/sectorplan.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

#include <functional>
#include <optional>

namespace engine {

// A board's serial bytes written by a flash write's own runs: the sector
// read reads their sector too, the plan changes it as it changes the
// image's, and the write's run reads them back after the image. No run of
// its own: a session of many boards pays for a serial in commands only.

// The bytes the read before a write takes from the image's offset, in whole
// `unit`s: the image's, and on to the serial's end when the serial lies in
// them, so both are planned from one read.
quint64 readBackSize(const JobRequest &request, quint64 unit);

// Where the serial's sectors are read, in whole `unit`s, when they lie
// apart from `imageRead`; nothing when there is no serial or it lies in it.
std::optional<FlashRange> serialReadRange(const JobRequest &request, const FlashRange &imageRead, quint64 unit);

// The serial bytes against the flash the tool reported (in `output`, or
// as read): a usage verdict when they run past its end or into the image.
std::optional<Verdict> serialPlaceRefusal(const JobRequest &request, const FlashGeometry &flash);
std::optional<Verdict> serialPlaceRefusal(const JobRequest &request, const QString &output);

// The write's plan with the serial in: `held` is what the image's read
// brought back from `offset`, `serialHeld` what the serial's own read did
// (empty when none was needed). A sector a cut-off write erased gets back
// what `kept` holds of it around the serial.
SectorPlan planWithSerial(const JobRequest &request, const QByteArray &image, const QByteArray &held,
                          const QByteArray &serialHeld, const FlashRange &serialRead, quint64 offset,
                          quint64 sectorSize, const QMap<quint32, QByteArray> &kept);

// The serial's read back, added to the write's list, from a file made in
// `folder` (`folderWord` as the list names it), unless the write already
// reads back each sector the serial lies in (`verified`, by sector number:
// its whole new contents, the serial's bytes among them); a verdict when
// the file can't be written.
std::optional<Verdict> addSerialVerify(const JobRequest &request, const SectorPlan &plan,
                                       const std::function<bool(const SectorWork &)> &verified,
                                       const QString &folder, const QString &folderWord, QStringList &pieces);

} // namespace engine

#endif
