#include "engine/tooloutput.h"

#include <QRegularExpression>

namespace engine {

namespace {

std::optional<quint32> hexAfter(const QRegularExpression &pattern, const QString &text)
{
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const quint32 value = match.captured(1).toUInt(&ok, 16);
    return ok ? std::optional<quint32>(value) : std::nullopt;
}

} // namespace

QStringList chunkLines(const QByteArray &chunk)
{
    QStringList lines;
    for (QByteArray line : chunk.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            lines << QString::fromLocal8Bit(line);
    }
    return lines;
}

std::optional<quint32> tapFoundIdcode(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("JTAG tap: \\S+ tap/device found: 0x([0-9a-fA-F]{8})"));
    return hexAfter(pattern, text);
}

std::optional<quint32> statusRegisterValue(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("virtex2 status register: 0x([0-9a-fA-F]{1,8})"));
    return hexAfter(pattern, text);
}

} // namespace engine
