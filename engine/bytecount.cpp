#include "engine/bytecount.h"

#include <QRegularExpression>

namespace engine {

std::optional<quint64> parseByteCount(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:0[xX]([0-9a-fA-F]{1,8})|([0-9]{1,10})(?:([kKmM])(?:iB)?)?)$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    if (match.hasCaptured(1))
        return match.captured(1).toULongLong(nullptr, 16);
    quint64 value = match.captured(2).toULongLong();
    const QString unit = match.captured(3).toLower();
    if (unit == QLatin1String("k"))
        value *= 1024;
    else if (unit == QLatin1String("m"))
        value *= 1024 * 1024;
    if (value > 0xffffffffu)
        return std::nullopt;
    return value;
}

QString byteSize(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + QLatin1String(" MiB");
    if (bytes >= 1024)
        return QString::number(bytes / 1024) + QLatin1String(" KiB");
    return QString::number(bytes) + QLatin1String(" B");
}

QString hex32(quint32 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

} // namespace engine
