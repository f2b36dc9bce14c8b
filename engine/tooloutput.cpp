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

std::optional<quint64> ImageCutShort::heldFrom(quint64 offset) const
{
    if (comparedBytes)
        return comparedBytes;
    if (flashEnd && *flashEnd >= offset)
        return *flashEnd - offset;
    return std::nullopt;
}

std::optional<ImageCutShort> imageCutShort(const QString &text)
{
    static const QRegularExpression noBank(QStringLiteral("no flash bank found for address 0x([0-9a-fA-F]+)"));
    static const QRegularExpression exceeds(
        QStringLiteral("File content exceeds flash bank size\\.(?: Only comparing the first (\\d+) bytes)?"));
    const QRegularExpressionMatch bank = noBank.match(text);
    const QRegularExpressionMatch verify = exceeds.match(text);
    if (!bank.hasMatch() && !verify.hasMatch())
        return std::nullopt;
    ImageCutShort cut;
    if (bank.hasMatch())
        cut.flashEnd = bank.captured(1).toULongLong(nullptr, 16);
    if (verify.hasMatch() && !verify.captured(1).isEmpty())
        cut.comparedBytes = verify.captured(1).toULongLong();
    return cut;
}

std::optional<AdapterLost> adapterLostAtInit(const QString &text)
{
    if (!text.contains(QLatin1String("Trying to use configured scan chain anyway")) ||
        text.contains(QLatin1String("JTAG scan chain interrogation failed")) || tapFoundIdcode(text))
        return std::nullopt;
    static const QRegularExpression firstError(QStringLiteral("(?:^|\n)Error: ([^\r\n]*)"));
    return AdapterLost{firstError.match(text).captured(1)};
}

bool statusFromEmptyChain(quint32 status)
{
    return status == 0xffffffffu;
}

} // namespace engine
