#ifndef FELDMOOR_CLI_RECORDS_POSTGRESDATABASE_H
#define FELDMOOR_CLI_RECORDS_POSTGRESDATABASE_H

#include "cli/records/libpq.h"
#include "cli/records/recorddatabase.h"

namespace cli {

// A PostgreSQL server reached through libpq, by any URI libpq takes; the
// password comes from PGPASSWORD or ~/.pgpass, never from the URI.
class PostgresDatabase final : public RecordDatabase {
public:
    // Why the URI is refused before any connection: libpq can't read it, or
    // it carries a password (which would show in the process list).
    static std::optional<QString> uriProblem(const QString &uri);
    // Nothing, with the server's words in `error`, when it can't be reached.
    static std::unique_ptr<PostgresDatabase> open(const QString &uri, QString &error);
    ~PostgresDatabase() override;

    SqlDialect dialect() const override { return SqlDialect::Postgresql; }
    std::optional<QString> run(const QString &sql, const QStringList &parameters, QList<SqlRow> *rows) override;
    bool connected() const override;

private:
    PostgresDatabase(LibPq pq, PGconn *connection) : pq_(std::move(pq)), connection_(connection) {}
    LibPq pq_;
    PGconn *connection_;
};

} // namespace cli

#endif
