#ifndef FELDMOOR_CLI_RECORDS_BOARDROW_H
#define FELDMOOR_CLI_RECORDS_BOARDROW_H

#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// How a board's job ends its serial number's reservation: used once its
// write verified, free again when no write run began, else spoiled.
enum class ValueFate { Used, Free, Spoiled };

// That end, written in one transaction with the board's row: the row and
// its value's state never disagree, and a board costs one commit less.
struct SerialSettlement {
    QString pool;
    quint64 value = 0;
    ValueFate fate = ValueFate::Spoiled;
};

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
    std::optional<SerialSettlement> settlement;
};

} // namespace cli

#endif
