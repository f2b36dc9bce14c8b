#ifndef FELDMOOR_CLI_RECORDS_RECORDSQL_H
#define FELDMOOR_CLI_RECORDS_RECORDSQL_H

#include "cli/records/recorddatabase.h"

#include <QString>
#include <QStringList>

namespace cli::recordsql {

// Every statement the loader sends to its record database, for SQLite and
// PostgreSQL. Parameters are $1, $2...

// The version of the tables below; a database that says more was made by a
// newer loader, whose rows this one must not write.
inline constexpr int kSchemaVersion = 1;

// Opens a transaction that holds the schema still while it is read and
// created: two loaders starting on a new database create it once.
QStringList beginSchemaCheck(SqlDialect dialect);
// One row, one column: 1 when the version table exists, else 0.
QString schemaTableExists(SqlDialect dialect);
QString readSchemaVersion();
QStringList createSchema(SqlDialect dialect);  // then writeSchemaVersion
QString writeSchemaVersion();                  // $1 the version
QString commit();
QString rollback();

// A board's row: the CSV record's columns in its order, then station,
// serial_pool and serial_number.
QString insertBoard();

} // namespace cli::recordsql

#endif
