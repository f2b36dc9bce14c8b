#ifndef FELDMOOR_TESTS_CLI_RECORDROWS_H
#define FELDMOOR_TESTS_CLI_RECORDROWS_H

#include <QList>
#include <QString>
#include <QStringList>

// The rows of a query, read back with the database's own client rather than
// the loader's code, each column as text: what the loader really wrote.
using Rows = QList<QStringList>;

// An SQLite file's rows; none when it cannot be opened or the query fails
// (said on the test's log).
Rows sqliteRows(const QString &file, const char *sql);
// A PostgreSQL server's rows, at a libpq connection URI.
Rows postgresRows(const QString &uri, const char *sql);

#endif
