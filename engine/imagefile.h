#ifndef FELDMOOR_ENGINE_IMAGEFILE_H
#define FELDMOOR_ENGINE_IMAGEFILE_H

#include <QByteArray>
#include <QString>

#include <optional>

namespace engine {

// What a configuration file says about itself, read before anything runs.

// Field 'b' of a Xilinx .bit container ("7k325tffg900"); nothing when the
// bytes are not a complete .bit.
std::optional<QString> bitFilePart(const QByteArray &bytes);

// The configuration data of a .bit (the bytes of its field 'e'): what goes
// into the flash when a .bit is written there. Nothing when the bytes are
// not a complete .bit.
std::optional<QByteArray> bitFilePayload(const QByteArray &bytes);

// The catalogue part a .bit's part field names: "7k325tffg900" and
// "xc7k325t" both give "xc7k325t"; empty when no catalogue part fits.
QString cataloguePartOfBitField(const QString &field);

// The IDCODE of the first type-1 write to the IDCODE register (30018001)
// after the sync word (aa995566) in the first `searchBytes` of a 7-series
// image.
std::optional<quint32> binImageIdcode(const QByteArray &bytes, int searchBytes = 64 * 1024);

// Lower-case hex SHA-256 of the bytes.
QString sha256Hex(const QByteArray &bytes);

} // namespace engine

#endif
