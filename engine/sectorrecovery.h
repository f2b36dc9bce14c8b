#ifndef FELDMOOR_ENGINE_SECTORRECOVERY_H
#define FELDMOOR_ENGINE_SECTORRECOVERY_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace engine {

// Whose flash range a kept sector belongs to: the adapter (adapterKey()),
// the board's IDCODE and the write's range. A kept sector is only ever put
// back into a write with all of them the same.
struct RecoveryOwner {
    QString adapter;
    quint32 idcode = 0;
    quint64 offset = 0;
    quint64 size = 0;
    bool operator==(const RecoveryOwner &other) const
    {
        return adapter == other.adapter && idcode == other.idcode && offset == other.offset && size == other.size;
    }
};

// The old contents of a sector that a flash write erases, kept on the disk
// from before its erase until it holds its new bytes and they were checked:
// a write cut off in that sector can then be completed with the bytes
// outside its image as they were.
struct KeptSector {
    RecoveryOwner owner;
    quint32 sector = 0;
    quint64 address = 0;
    QByteArray bytes;
};

// The file's contents: a text head naming the owner and the sector, with a
// checksum of the bytes, then the bytes.
QByteArray encodeKeptSector(const KeptSector &kept);
// Nothing when the file is not one, or is torn.
std::optional<KeptSector> decodeKeptSector(const QByteArray &file);

// "sector-<owner's hash>-00065.bin".
QString keptSectorFileName(const RecoveryOwner &owner, quint32 sector);

struct KeptSectorFile {
    QString path;
    KeptSector kept;
};

// The sectors kept in `folder` for exactly `owner`.
QList<KeptSectorFile> keptSectorsOf(const QString &folder, const RecoveryOwner &owner);

} // namespace engine

#endif
