#include "engine/mcsfile.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace engine {

namespace {

struct DataRecord {
    quint64 address = 0;
    QByteArray bytes;
    int line = 0;
};

McsImage failed(int line, McsProblem problem, quint64 first = 0, quint64 second = 0)
{
    McsImage image;
    image.line = line;
    image.problem = problem;
    image.first = first;
    image.second = second;
    return image;
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
            return failed(number, McsProblem::RecordAfterEnd, quint64(endLine));
        if (!line.startsWith(':'))
            return failed(number, McsProblem::NoColon);
        const QByteArray hex = line.mid(1);
        const bool allHex =
            std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
        if (!allHex || hex.size() % 2 != 0 || hex.size() < 10)
            return failed(number, McsProblem::NotHexPairs);
        const QByteArray bytes = QByteArray::fromHex(hex);
        const int length = static_cast<quint8>(bytes.at(0));
        if (bytes.size() != length + 5)
            return failed(number, McsProblem::LengthMismatch, quint64(length), quint64(bytes.size() - 5));
        int sum = 0;
        for (int i = 0; i + 1 < bytes.size(); ++i)
            sum += static_cast<quint8>(bytes.at(i));
        const int expected = (0x100 - (sum & 0xff)) & 0xff;
        const int checksum = static_cast<quint8>(bytes.back());
        if (checksum != expected)
            return failed(number, McsProblem::BadChecksum, quint64(checksum), quint64(expected));
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
                return failed(number, McsProblem::EndRecordWithData, quint64(length));
            endLine = number;
            break;
        case 0x04:
            if (length != 2)
                return failed(number, McsProblem::AddressRecordLength, quint64(length));
            upper = quint64(static_cast<quint8>(data.at(0)) << 8 | static_cast<quint8>(data.at(1))) << 16;
            break;
        default:
            return failed(number, McsProblem::UnknownRecordType, quint64(type));
        }
    }
    if (endLine == 0)
        return failed(0, McsProblem::NoEndRecord);
    if (records.empty())
        return failed(0, McsProblem::NoData);

    std::stable_sort(records.begin(), records.end(),
                     [](const DataRecord &a, const DataRecord &b) { return a.address < b.address; });
    McsImage image;
    image.start = static_cast<quint32>(records.front().address);
    for (const DataRecord &record : records) {
        const quint64 end = record.address + quint64(record.bytes.size());
        if (!image.segments.isEmpty() && record.address < image.segments.back().end)
            return failed(record.line, McsProblem::AddressWrittenTwice, record.address);
        if (end - image.start > kLargestMcsImage)
            return failed(record.line, McsProblem::SpanTooLarge, image.start, end - 1);
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
