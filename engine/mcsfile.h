#ifndef FELDMOOR_ENGINE_MCSFILE_H
#define FELDMOOR_ENGINE_MCSFILE_H

#include <QByteArray>
#include <QList>
#include <QString>

namespace engine {

// A .mcs file as the FPGA vendor's tools write it: Intel HEX with data (00),
// end-of-file (01) and extended linear address (04) records.

// A run of addresses the file fills, `end` one past its last byte.
struct McsSegment {
    quint32 start = 0;
    quint64 end = 0;
};

struct McsImage {
    quint32 start = 0;   // the lowest address the file writes
    QByteArray bytes;    // from there to its highest, 0xFF where no record writes
    QList<McsSegment> segments;
    QString error;       // empty when the file was read whole
    int line = 0;        // the line the error is about; 0 for the file as a whole
    bool ok() const { return error.isEmpty(); }
};

// The image a .mcs file describes. Every record's checksum is checked, and a
// line that is not a record, a record type other than 00, 01 and 04, two
// records writing the same address, or a file cut off before its
// end-of-file record is refused.
McsImage parseMcs(const QByteArray &text);

} // namespace engine

#endif
