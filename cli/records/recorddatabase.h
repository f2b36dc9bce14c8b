#ifndef FELDMOOR_CLI_RECORDS_RECORDDATABASE_H
#define FELDMOOR_CLI_RECORDS_RECORDDATABASE_H

#include "cli/records/recordtarget.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace cli {

enum class SqlDialect { Sqlite, Postgresql };

// One row of a query's result, each column as text; a NULL is a null QString.
using SqlRow = QStringList;

// A connection to the record's database. Statements name their parameters
// $1, $2...; parameters and results travel as text, a null QString as NULL.
class RecordDatabase {
public:
    virtual ~RecordDatabase() = default;
    virtual SqlDialect dialect() const = 0;
    // The error's own words, or nothing when the statement ran.
    virtual std::optional<QString> run(const QString &sql, const QStringList &parameters = {},
                                       QList<SqlRow> *rows = nullptr) = 0;
    // Whether the connection still stands (a server may have gone away).
    virtual bool connected() const = 0;
};

struct DatabaseConnection {
    std::unique_ptr<RecordDatabase> database;
    int errorCode = 0;  // exit code when refused: usage, or unreachable
    QString error;
};

// Opens the database `target` names. A URI carrying a password, or one libpq
// can't read, is a usage error; a server or file that can't be reached is
// one of the record.
DatabaseConnection connectRecordDatabase(const RecordTarget &target);

} // namespace cli

#endif
