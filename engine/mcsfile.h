#ifndef FELDMOOR_ENGINE_MCSFILE_H
#define FELDMOOR_ENGINE_MCSFILE_H

#include <QByteArray>
#include <QList>

namespace engine {

// A .mcs file as the FPGA vendor's tools write it: Intel HEX with data (00),
// end-of-file (01) and extended linear address (04) records.

// A run of addresses the file fills, `end` one past its last byte.
struct McsSegment {
    quint32 start = 0;
    quint64 end = 0;
};

// Why a file is not a .mcs image, with the values that show it in `first`
// and `second`.
enum class McsProblem {
    None,
    RecordAfterEnd,        // first: the end-of-file record's line
    NoColon,               // a line that does not start with ':'
    NotHexPairs,           // not pairs of hex digits, or too short for a record
    LengthMismatch,        // first: the length field, second: the data bytes it holds
    BadChecksum,           // first: the checksum, second: the one its bytes need
    EndRecordWithData,     // first: its data bytes
    AddressRecordLength,   // an extended linear address record; first: its data bytes
    UnknownRecordType,     // first: the type
    NoEndRecord,
    NoData,
    AddressWrittenTwice,   // first: the address
    SpanTooLarge,          // first: the lowest address, second: the highest
};

struct McsImage {
    quint32 start = 0;   // the lowest address the file writes
    QByteArray bytes;    // from there to its highest, 0xFF where no record writes
    QList<McsSegment> segments;
    McsProblem problem = McsProblem::None;
    quint64 first = 0;
    quint64 second = 0;
    int line = 0;        // the line the problem is in; 0 for the file as a whole
    bool ok() const { return problem == McsProblem::None; }
};

// The largest span of addresses a .mcs image may cover: larger than any SPI
// flash a QB562 board carries, so a file that spans more names its addresses
// wrongly, and would only cost memory.
inline constexpr quint64 kLargestMcsImage = 256u * 1024 * 1024;

// The image a .mcs file describes. Every record's checksum is checked, and a
// line that is not a record, a record type other than 00, 01 and 04, two
// records writing the same address, or a file cut off before its
// end-of-file record is refused.
McsImage parseMcs(const QByteArray &text);

} // namespace engine

#endif
