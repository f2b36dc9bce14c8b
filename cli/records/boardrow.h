#ifndef FELDMOOR_CLI_RECORDS_BOARDROW_H
#define FELDMOOR_CLI_RECORDS_BOARDROW_H

#include <QString>
#include <QStringList>

namespace cli {

// What is recorded of one board: the CSV record's columns, and what only a
// database record holds beside them.
struct BoardRow {
    QStringList fields;  // in the order of boardRecordHeader()
    QString station;
    QString serialPool;    // empty when the board got no serial number
    QString serialNumber;  // as its pool's format prints it
    // Unique to this board's row, so that a row sent again (from the journal,
    // after its first sending's answer was lost) is not counted twice.
    QString rowId;
};

} // namespace cli

#endif
