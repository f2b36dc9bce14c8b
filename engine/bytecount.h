#ifndef FELDMOOR_ENGINE_BYTECOUNT_H
#define FELDMOOR_ENGINE_BYTECOUNT_H

#include <QString>

#include <optional>

namespace engine {

// A flash address or length as typed: "4194304", "0x400000", "4096K" or
// "4M" (K and M are 1024 and 1048576; KiB and MiB too). Nothing for other
// text, or for a value past 32 bits, which no address the loader composes
// can hold.
std::optional<quint64> parseByteCount(const QString &text);

// "1.0 MiB", "512 KiB", "300 B".
QString byteSize(qint64 bytes);

// An IDCODE, a status register or an address: "0x0362d093".
QString hex32(quint32 value);

} // namespace engine

#endif
