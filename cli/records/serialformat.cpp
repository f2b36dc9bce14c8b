#include "cli/records/serialformat.h"

#include <QRegularExpression>
#include <QStringList>

#include <limits>

namespace cli {

namespace {

struct LayoutName {
    const char *name;
    SerialLayout layout;
};

constexpr LayoutName kLayouts[] = {
    {"u32le", SerialLayout::U32Le}, {"u32be", SerialLayout::U32Be}, {"u64le", SerialLayout::U64Le},
    {"u64be", SerialLayout::U64Be}, {"mac", SerialLayout::Mac},
};

// 20 digits already hold every 64-bit value.
constexpr int kWidestText = 20;

} // namespace

std::optional<SerialFormat> parseSerialFormat(const QString &text)
{
    for (const LayoutName &entry : kLayouts) {
        if (text == QLatin1String(entry.name))
            return SerialFormat{entry.layout, 0};
    }
    static const QRegularExpression textWidth(QStringLiteral("^text:([0-9]{1,2})$"));
    const QRegularExpressionMatch match = textWidth.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int width = match.captured(1).toInt();
    if (width < 1 || width > kWidestText)
        return std::nullopt;
    return SerialFormat{SerialLayout::Text, width};
}

QString serialFormatName(const SerialFormat &format)
{
    if (format.layout == SerialLayout::Text)
        return QStringLiteral("text:%1").arg(format.width);
    for (const LayoutName &entry : kLayouts) {
        if (entry.layout == format.layout)
            return QLatin1String(entry.name);
    }
    return QString();
}

quint64 largestSerial(const SerialFormat &format)
{
    switch (format.layout) {
    case SerialLayout::U32Le:
    case SerialLayout::U32Be:
        return std::numeric_limits<quint32>::max();
    case SerialLayout::Mac:
        return (quint64(1) << 48) - 1;
    case SerialLayout::Text: {
        if (format.width >= kWidestText)
            return std::numeric_limits<quint64>::max();
        quint64 largest = 1;
        for (int digit = 0; digit < format.width; ++digit)
            largest *= 10;
        return largest - 1;
    }
    case SerialLayout::U64Le:
    case SerialLayout::U64Be:
        break;
    }
    return std::numeric_limits<quint64>::max();
}

QByteArray serialBytes(const SerialFormat &format, quint64 value)
{
    const auto integer = [value](int bytes, bool bigEndian) {
        QByteArray out(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            out[bigEndian ? bytes - 1 - i : i] = char((value >> (8 * i)) & 0xff);
        return out;
    };
    switch (format.layout) {
    case SerialLayout::U32Le:
        return integer(4, false);
    case SerialLayout::U32Be:
        return integer(4, true);
    case SerialLayout::U64Le:
        return integer(8, false);
    case SerialLayout::U64Be:
        return integer(8, true);
    case SerialLayout::Mac:
        return integer(6, true);
    case SerialLayout::Text:
        break;
    }
    return QString::number(value).rightJustified(format.width, QLatin1Char('0')).toLatin1();
}

QString serialText(const SerialFormat &format, quint64 value)
{
    if (format.layout == SerialLayout::Text)
        return QString::fromLatin1(serialBytes(format, value));
    if (format.layout != SerialLayout::Mac)
        return QString::number(value);
    QStringList octets;
    for (const char byte : serialBytes(format, value))
        octets << QStringLiteral("%1").arg(quint8(byte), 2, 16, QLatin1Char('0'));
    return octets.join(QLatin1Char(':'));
}

std::optional<quint64> parseSerialValue(const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression hex(QStringLiteral("^0[xX][0-9a-fA-F]+$"));
    bool ok = false;
    quint64 value = 0;
    if (decimal.match(text).hasMatch())
        value = text.toULongLong(&ok, 10);
    else if (hex.match(text).hasMatch())
        value = text.mid(2).toULongLong(&ok, 16);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace cli
