#include "engine/mcsfile.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace engine {

namespace {

// Larger than any SPI flash a QB562 board carries: a file that spans more
// names its addresses wrongly, and would only cost memory.
constexpr quint64 kLargestImage = 256u * 1024 * 1024;

struct DataRecord {
    quint64 address = 0;
    QByteArray bytes;
    int line = 0;
};

McsImage failed(int line, const QString &error)
{
    McsImage image;
    image.line = line;
    image.error = error;
    return image;
}

QString hexByte(int value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

} // namespace

McsImage parseMcs(const QByteArray &text)
{
    std::vector<DataRecord> records;
    quint64 upper = 0;
    int endLine = 0;
    const QList<QByteArray> lines = text.split('\n');
    for (int index = 0; index < lines.size(); ++index) {
        const int number = index + 1;
        const QByteArray line = lines.at(index).trimmed();
        if (line.isEmpty())
            continue;
        if (endLine != 0)
            return failed(number, QStringLiteral("a record after the end-of-file record of line %1").arg(endLine));
        if (!line.startsWith(':'))
            return failed(number, QStringLiteral("not an Intel HEX record (it does not start with ':')"));
        const QByteArray hex = line.mid(1);
        const bool allHex =
            std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
        if (!allHex || hex.size() % 2 != 0 || hex.size() < 10)
            return failed(number, QStringLiteral("not an Intel HEX record (it needs pairs of hex digits: length, "
                                                 "address, type, data, checksum)"));
        const QByteArray bytes = QByteArray::fromHex(hex);
        const int length = static_cast<quint8>(bytes.at(0));
        if (bytes.size() != length + 5)
            return failed(number, QStringLiteral("its length field says %1 data bytes, but it holds %2")
                                      .arg(length)
                                      .arg(bytes.size() - 5));
        int sum = 0;
        for (int i = 0; i + 1 < bytes.size(); ++i)
            sum += static_cast<quint8>(bytes.at(i));
        const int expected = (0x100 - (sum & 0xff)) & 0xff;
        const int checksum = static_cast<quint8>(bytes.back());
        if (checksum != expected)
            return failed(number, QStringLiteral("checksum %1 is wrong, the record's bytes need %2 (the line was "
                                                 "changed or cut)")
                                      .arg(hexByte(checksum), hexByte(expected)));
        const quint64 address = static_cast<quint8>(bytes.at(1)) << 8 | static_cast<quint8>(bytes.at(2));
        const int type = static_cast<quint8>(bytes.at(3));
        const QByteArray data = bytes.mid(4, length);
        switch (type) {
        case 0x00:
            if (length > 0)
                records.push_back({upper + address, data, number});
            break;
        case 0x01:
            if (length != 0)
                return failed(number, QStringLiteral("an end-of-file record (01) holds no data, this one %1 bytes")
                                          .arg(length));
            endLine = number;
            break;
        case 0x04:
            if (length != 2)
                return failed(number, QStringLiteral("an extended linear address record (04) holds 2 bytes, this "
                                                     "one %1")
                                          .arg(length));
            upper = quint64(static_cast<quint8>(data.at(0)) << 8 | static_cast<quint8>(data.at(1))) << 16;
            break;
        default:
            return failed(number, QStringLiteral("record type %1 is not one a .mcs file uses (00 data, 01 end of "
                                                 "file, 04 extended linear address)")
                                      .arg(type, 2, 16, QLatin1Char('0')));
        }
    }
    if (endLine == 0)
        return failed(0, QStringLiteral("it has no end-of-file record (01): it is cut off"));
    if (records.empty())
        return failed(0, QStringLiteral("it holds no data records: there is nothing to write"));

    std::stable_sort(records.begin(), records.end(),
                     [](const DataRecord &a, const DataRecord &b) { return a.address < b.address; });
    McsImage image;
    image.start = static_cast<quint32>(records.front().address);
    for (const DataRecord &record : records) {
        const quint64 end = record.address + quint64(record.bytes.size());
        if (!image.segments.isEmpty() && record.address < image.segments.back().end)
            return failed(record.line, QStringLiteral("it writes 0x%1 again, which an earlier record wrote")
                                           .arg(record.address, 8, 16, QLatin1Char('0')));
        if (end - image.start > kLargestImage)
            return failed(record.line, QStringLiteral("its records span more than 256 MiB, from 0x%1 to 0x%2")
                                           .arg(image.start, 8, 16, QLatin1Char('0'))
                                           .arg(end - 1, 8, 16, QLatin1Char('0')));
        if (!image.segments.isEmpty() && record.address == image.segments.back().end)
            image.segments.back().end = end;
        else
            image.segments.append({static_cast<quint32>(record.address), end});
    }
    image.bytes = QByteArray(static_cast<qsizetype>(image.segments.back().end - image.start), '\xff');
    for (const DataRecord &record : records)
        std::copy(record.bytes.begin(), record.bytes.end(), image.bytes.begin() + (record.address - image.start));
    return image;
}

} // namespace engine
