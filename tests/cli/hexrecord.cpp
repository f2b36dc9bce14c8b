#include "hexrecord.h"

QByteArray hexRecord(int type, int address, const QByteArray &data)
{
    QByteArray bytes;
    bytes += char(data.size());
    bytes += char((address >> 8) & 0xff);
    bytes += char(address & 0xff);
    bytes += char(type);
    bytes += data;
    int sum = 0;
    for (const char byte : bytes)
        sum += static_cast<quint8>(byte);
    bytes += char((0x100 - (sum & 0xff)) & 0xff);
    return ':' + bytes.toHex().toUpper() + "\r\n";
}
