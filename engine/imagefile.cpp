#include "engine/imagefile.h"

#include "feldmoor/projectfacts.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <cstring>

namespace engine {

namespace {

quint32 bigEndian(const QByteArray &bytes, int at, int width)
{
    quint32 value = 0;
    for (int i = 0; i < width; ++i)
        value = value << 8 | static_cast<quint8>(bytes.at(at + i));
    return value;
}

} // namespace

namespace {

// Where a .bit container's fields are: its part field 'b' and its
// configuration data 'e'. Nothing when the bytes are no complete .bit.
struct BitFields {
    std::optional<QString> part;
    qsizetype dataAt = 0;
    qsizetype dataLength = 0;
};

std::optional<BitFields> bitFields(const QByteArray &bytes)
{
    static const char kMagic[] = "\x00\x09\x0f\xf0\x0f\xf0\x0f\xf0\x0f\xf0\x00\x00\x01";
    constexpr int kMagicSize = sizeof kMagic - 1;
    if (bytes.size() < kMagicSize || std::memcmp(bytes.constData(), kMagic, kMagicSize) != 0)
        return std::nullopt;
    BitFields fields;
    int at = kMagicSize;
    while (at < bytes.size()) {
        const char key = bytes.at(at++);
        if (key == 'e') {
            // The configuration data must be all there: a cut-off download is
            // no valid .bit.
            if (at + 4 > bytes.size())
                return std::nullopt;
            const quint32 length = bigEndian(bytes, at, 4);
            if (length == 0 || quint64(at) + 4 + length > quint64(bytes.size()))
                return std::nullopt;
            fields.dataAt = at + 4;
            fields.dataLength = static_cast<qsizetype>(length);
            return fields;
        }
        if (key < 'a' || key > 'd' || at + 2 > bytes.size())
            return std::nullopt;
        const int length = static_cast<int>(bigEndian(bytes, at, 2));
        at += 2;
        if (at + length > bytes.size())
            return std::nullopt;
        if (key == 'b') {
            QByteArray text = bytes.mid(at, length);
            if (text.endsWith('\0'))
                text.chop(1);
            fields.part = QString::fromLatin1(text);
        }
        at += length;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> bitFilePart(const QByteArray &bytes)
{
    const std::optional<BitFields> fields = bitFields(bytes);
    return fields ? fields->part : std::nullopt;
}

std::optional<QByteArray> bitFilePayload(const QByteArray &bytes)
{
    const std::optional<BitFields> fields = bitFields(bytes);
    if (!fields)
        return std::nullopt;
    return bytes.mid(fields->dataAt, fields->dataLength);
}

QString cataloguePartOfBitField(const QString &field)
{
    QString bit = field.trimmed().toLower();
    if (bit.startsWith(QLatin1String("xc")))
        bit.remove(0, 2);
    // The Xilinx tools append a package code (letters, then the pin count).
    static const QRegularExpression package(QStringLiteral("^([a-z]+[0-9]+)?$"));
    QString best;
    for (const feldmoor::PartFacts &facts : feldmoor::kPartCatalogue) {
        const QString name = QString::fromLatin1(facts.name).mid(2);
        if (name.contains(QLatin1Char('-')) || !bit.startsWith(name) || name.size() <= best.size())
            continue;
        if (package.match(bit.mid(name.size())).hasMatch())
            best = name;
    }
    return best.isEmpty() ? QString() : QLatin1String("xc") + best;
}

std::optional<quint32> binImageIdcode(const QByteArray &bytes, int searchBytes)
{
    const int end = std::min<int>(bytes.size(), searchBytes);
    bool synced = false;
    for (int at = 0; at + 8 <= end; ++at) {
        const quint32 word = bigEndian(bytes, at, 4);
        if (!synced) {
            synced = word == 0xaa995566u;
            if (synced)
                at += 3;
            continue;
        }
        if (word == 0x30018001u)
            return bigEndian(bytes, at + 4, 4);
        at += 3; // packets are whole words from the sync word on
    }
    return std::nullopt;
}

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace engine
