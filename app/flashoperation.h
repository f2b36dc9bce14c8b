#ifndef FELDMOOR_APP_FLASHOPERATION_H
#define FELDMOOR_APP_FLASHOPERATION_H

#include "engine/jobevents.h"
#include "engine/flashgeometry.h"
#include "engine/jobrequest.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The Flash menu's operations on the board's SPI flash, each run as the
// loader's job of the same name.
enum class FlashOperation { Verify, ReadBack, Erase, BlankCheck };

// The erase block of the SPI NOR parts behind the proxies: an erase or a
// blank check of a file's range covers its last sector whole.
inline constexpr quint64 kFlashSectorSize = 64 * 1024;

quint64 roundedToSectors(quint64 size);

// What a chosen file puts into the flash: a .bin as it is, a .bit's
// configuration data, a .mcs's image from its lowest address.
struct FlashImage {
    QByteArray bytes;
    quint64 offset = 0;
    QString part;  // the catalogue part the file was made for, else empty
};

enum class FlashImageProblem { None, Unreadable, Empty, NotBit, NotMcs };

FlashImageProblem readFlashImage(const QString &path, FlashImage &image);

// Why a read-back target can't take the flash's image, before the board is
// touched: the image is written beside it and renamed over it.
enum class ReadTargetProblem { None, Folder, NotRegular, NotWritable };

ReadTargetProblem readTargetProblem(const QString &path);

// The flash range an operation works on, for a file's image or (without
// one) the whole flash, whose size only the tool tells: nothing then.
std::optional<engine::FlashRange> operationRange(FlashOperation operation, const FlashImage *image);

// What every operation's job starts from: the form's part and clock, the
// chosen adapter, and the chosen file (empty: none) with its image.
engine::JobRequest flashOperationBase(const DownloadRequest &form, const AdapterSelection &adapter,
                                      const QString &adapterKey, const QString &file, const FlashImage *image);

// The loader's job for `operation`; `image` is the file's, null without one.
engine::JobRequest flashOperationRequest(FlashOperation operation, const engine::JobRequest &base,
                                         const FlashImage *image, const QString &imagePath,
                                         const QString &target);

// Where the flash differed from the file, from the tool's verify lines: the
// first address, and how many sectors the printed differences touch (the tool
// prints at most 128, then says there are more).
struct FlashDifference {
    quint64 firstAddress = 0;
    int sectors = 0;
    bool more = false;
};

std::optional<FlashDifference> flashDifference(const QString &toolLog, quint64 sectorSize = kFlashSectorSize);

#endif
