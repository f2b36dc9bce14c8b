#include "engine/sectorrecovery.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace engine {

namespace {

const QByteArray kMagic = QByteArrayLiteral("feldmoor kept sector 1\n");

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QString ownerHash(const RecoveryOwner &owner)
{
    const QByteArray key = owner.adapter.toUtf8() + '\n' + QByteArray::number(owner.idcode, 16) + '\n' +
                           QByteArray::number(owner.offset, 16) + '\n' + QByteArray::number(owner.size);
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

} // namespace

QByteArray encodeKeptSector(const KeptSector &kept)
{
    QByteArray head = kMagic;
    head += "adapter=" + kept.owner.adapter.toUtf8() + '\n';
    head += "idcode=" + QByteArray::number(kept.owner.idcode, 16) + '\n';
    head += "offset=" + QByteArray::number(kept.owner.offset, 16) + '\n';
    head += "size=" + QByteArray::number(kept.owner.size) + '\n';
    head += "sector=" + QByteArray::number(kept.sector) + '\n';
    head += "address=" + QByteArray::number(kept.address, 16) + '\n';
    head += "bytes=" + QByteArray::number(kept.bytes.size()) + '\n';
    head += "sha256=" + sha256(kept.bytes) + '\n';
    return head + '\n' + kept.bytes;
}

std::optional<KeptSector> decodeKeptSector(const QByteArray &file)
{
    if (!file.startsWith(kMagic))
        return std::nullopt;
    const qsizetype end = file.indexOf("\n\n");
    if (end < 0)
        return std::nullopt;
    KeptSector kept;
    QByteArray checksum;
    qint64 length = -1;
    int fields = 0;
    for (const QByteArray &line : file.mid(kMagic.size(), end - kMagic.size()).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        const QByteArray name = line.left(equals);
        const QByteArray value = line.mid(equals + 1);
        bool ok = true;
        if (name == "adapter")
            kept.owner.adapter = QString::fromUtf8(value);
        else if (name == "idcode")
            kept.owner.idcode = value.toUInt(&ok, 16);
        else if (name == "offset")
            kept.owner.offset = value.toULongLong(&ok, 16);
        else if (name == "size")
            kept.owner.size = value.toULongLong(&ok);
        else if (name == "sector")
            kept.sector = value.toUInt(&ok);
        else if (name == "address")
            kept.address = value.toULongLong(&ok, 16);
        else if (name == "bytes")
            length = value.toLongLong(&ok);
        else if (name == "sha256")
            checksum = value;
        else
            return std::nullopt;
        if (!ok)
            return std::nullopt;
        ++fields;
    }
    kept.bytes = file.mid(end + 2);
    if (fields != 8 || kept.bytes.size() != length || sha256(kept.bytes) != checksum)
        return std::nullopt;
    return kept;
}

QString keptSectorFileName(const RecoveryOwner &owner, quint32 sector)
{
    return QStringLiteral("sector-%1-%2.bin").arg(ownerHash(owner)).arg(sector, 5, 10, QLatin1Char('0'));
}

QList<KeptSectorFile> keptSectorsOf(const QString &folder, const RecoveryOwner &owner)
{
    QList<KeptSectorFile> found;
    const QStringList names = QDir(folder).entryList(
        {QStringLiteral("sector-%1-*.bin").arg(ownerHash(owner))}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<KeptSector> kept = decodeKeptSector(file.readAll());
        // The hash only finds the candidates: the head itself must name this
        // owner, and the file its own sector.
        if (kept && kept->owner == owner && name == keptSectorFileName(owner, kept->sector))
            found << KeptSectorFile{file.fileName(), *kept};
    }
    return found;
}

} // namespace engine
