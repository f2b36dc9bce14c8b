#include "cli/mcstexts.h"

namespace cli {

using engine::McsProblem;

namespace {

QString hexByte(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString address(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

} // namespace

QString mcsProblemText(const engine::McsImage &image)
{
    switch (image.problem) {
    case McsProblem::None:
        return QString();
    case McsProblem::RecordAfterEnd:
        return QStringLiteral("a record after the end-of-file record of line %1").arg(image.first);
    case McsProblem::NoColon:
        return QStringLiteral("not an Intel HEX record (it does not start with ':')");
    case McsProblem::NotHexPairs:
        return QStringLiteral("not an Intel HEX record (it needs pairs of hex digits: length, address, type, data, "
                              "checksum)");
    case McsProblem::LengthMismatch:
        return QStringLiteral("its length field says %1 data bytes, but it holds %2").arg(image.first).arg(image.second);
    case McsProblem::BadChecksum:
        return QStringLiteral("checksum %1 is wrong, the record's bytes need %2 (the line was changed or cut)")
            .arg(hexByte(image.first), hexByte(image.second));
    case McsProblem::EndRecordWithData:
        return QStringLiteral("an end-of-file record (01) holds no data, this one %1 bytes").arg(image.first);
    case McsProblem::AddressRecordLength:
        return QStringLiteral("an extended linear address record (04) holds 2 bytes, this one %1").arg(image.first);
    case McsProblem::UnknownRecordType:
        return QStringLiteral("record type %1 is not one a .mcs file uses (00 data, 01 end of file, 04 extended "
                              "linear address)")
            .arg(image.first, 2, 16, QLatin1Char('0'));
    case McsProblem::NoEndRecord:
        return QStringLiteral("it has no end-of-file record (01): it is cut off");
    case McsProblem::NoData:
        return QStringLiteral("it holds no data records: there is nothing to write");
    case McsProblem::AddressWrittenTwice:
        return QStringLiteral("it writes %1 again, which an earlier record wrote").arg(address(image.first));
    case McsProblem::SpanTooLarge:
        return QStringLiteral("its records span more than 256 MiB, from %1 to %2")
            .arg(address(image.first), address(image.second));
    }
    return QString();
}

} // namespace cli
