#ifndef FELDMOOR_CLI_RECORDS_SERIALFORMAT_H
#define FELDMOOR_CLI_RECORDS_SERIALFORMAT_H

#include <QByteArray>
#include <QString>

#include <optional>

namespace cli {

// How a pool's values are laid into a board's flash: little- or big-endian
// integers, a MAC address (48 bits, big-endian) or W zero-padded digits.
enum class SerialLayout { U32Le, U32Be, U64Le, U64Be, Mac, Text };

struct SerialFormat {
    SerialLayout layout = SerialLayout::U32Le;
    int width = 0;  // text:W's digits
};

// u32le, u32be, u64le, u64be, mac or text:W (W from 1 to 20).
std::optional<SerialFormat> parseSerialFormat(const QString &text);
// The name parseSerialFormat reads back.
QString serialFormatName(const SerialFormat &format);
// The largest value the format holds.
quint64 largestSerial(const SerialFormat &format);
// The bytes `value` lies as in the flash, and the text it is recorded as
// (decimal for the integers, 02:00:5e:00:00:01 for a MAC, the digits for text).
QByteArray serialBytes(const SerialFormat &format, quint64 value);
QString serialText(const SerialFormat &format, quint64 value);
// Decimal, or 0x and hex digits; nothing when it is neither or over 64 bits.
std::optional<quint64> parseSerialValue(const QString &text);

} // namespace cli

#endif
