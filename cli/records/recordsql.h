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
inline constexpr int kSchemaVersion = 3;

// Opens a transaction that holds the schema still while it is read and
// created: two loaders starting on a new database create it once.
QStringList beginSchemaCheck(SqlDialect dialect);
// One row, one column: 1 when the version table exists, else 0.
QString schemaTableExists(SqlDialect dialect);
QString readSchemaVersion();
// Every table, each made only when missing: a database of an older version
// gets what it lacks. Then the row id's column where boards lack it, its
// index, and writeSchemaVersion.
QStringList createSchema(SqlDialect dialect);
// One row, one column: 1 when boards has the row_id column, else 0. Boards
// of the first two versions lack it; their rows keep none, which the unique
// index allows any number of.
QString rowIdColumnExists(SqlDialect dialect);
QString addRowIdColumn();
QString indexRowIds();
QString writeSchemaVersion();                  // $1 the version
QString commit();
QString rollback();

// A board's row: the CSV record's columns in its order, then station,
// serial_pool, serial_number and the row's own id; a row whose id is in the
// table already (sent again from the journal) is left as it was.
QString insertBoard();
// Every board's row as text, oldest first: the CSV record's columns, then
// station, serial_pool and serial_number.
QString selectBoards();

// Serial pools: a pool's row holds its range and the next value never drawn
// (NULL once every one was), so a pool of 2^32 values is one row; a value
// gets a row of its own only once drawn, with its state (free, reserved,
// used or spoiled). Values travel as decimal text: a 64-bit one does not fit
// either database's signed integers.

// $1 name, $2 format, $3 first, $4 last; a row back only when the name was free.
QString insertPool();
QString selectPools();  // name, format, first, last, next; by name
QString selectPool();   // the same for the pool named $1
QString countValues();  // pool, state, count
// $1 pool, $2 value: a row back when the value was spoiled and now is free.
QString releaseSpoiled();
QString selectValueState();  // $1 pool, $2 value: its state, when drawn

} // namespace cli::recordsql

#endif
