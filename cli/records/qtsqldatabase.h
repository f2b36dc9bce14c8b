#ifndef FELDMOOR_CLI_RECORDS_QTSQLDATABASE_H
#define FELDMOOR_CLI_RECORDS_QTSQLDATABASE_H

#include "cli/records/recorddatabase.h"

namespace cli {

// An SQLite file through Qt SQL's SQLite driver, for a build without the
// SQLite client library (Windows, where Qt carries the driver); created
// when missing (its folder must exist).
class QtSqlDatabase final : public RecordDatabase {
public:
    // Nothing, with `error` set, when the driver is missing or the file
    // can't be opened.
    static std::unique_ptr<QtSqlDatabase> open(const QString &path, QString &error);
    ~QtSqlDatabase() override;

    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    std::optional<QString> run(const QString &sql, const QStringList &parameters, QList<SqlRow> *rows) override;
    bool connected() const override { return true; }

private:
    explicit QtSqlDatabase(QString connection) : connection_(std::move(connection)) {}
    QString connection_;  // Qt SQL's name for the connection
};

} // namespace cli

#endif
