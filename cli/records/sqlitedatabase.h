#ifndef FELDMOOR_CLI_RECORDS_SQLITEDATABASE_H
#define FELDMOOR_CLI_RECORDS_SQLITEDATABASE_H

#include "cli/records/recorddatabase.h"

struct sqlite3;

namespace cli {

// An SQLite file, created when missing (its folder must exist).
class SqliteDatabase final : public RecordDatabase {
public:
    // Nothing, with `error` set, when the file can't be opened as a database.
    static std::unique_ptr<SqliteDatabase> open(const QString &path, QString &error);
    ~SqliteDatabase() override;

    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    std::optional<QString> run(const QString &sql, const QStringList &parameters, QList<SqlRow> *rows) override;
    bool connected() const override { return true; }

private:
    explicit SqliteDatabase(sqlite3 *handle) : handle_(handle) {}
    sqlite3 *handle_;
};

} // namespace cli

#endif
