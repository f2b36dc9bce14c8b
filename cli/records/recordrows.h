#ifndef FELDMOOR_CLI_RECORDS_RECORDROWS_H
#define FELDMOOR_CLI_RECORDS_RECORDROWS_H

#include "cli/records/recorddatabase.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// The boards' rows a record holds, as text under their columns' names.
struct RecordedRows {
    QStringList header;
    QList<QStringList> rows;  // oldest first
};

// A database record's columns as export writes them: the CSV record's, then
// station, serial_pool and serial_number.
QStringList databaseRowHeader();

// Every board's row of the database, a NULL as an empty field.
std::optional<RecordedRows> databaseRows(RecordDatabase &db, QString &error);
// Every row of a CSV record, under its own header line.
std::optional<RecordedRows> csvRecordRows(const QString &path, QString &error);

} // namespace cli

#endif
