#include "cli/records/recordsql.h"

namespace cli::recordsql {

namespace {

// A number the loaders agree on, for PostgreSQL's advisory lock on the schema.
constexpr const char *kSchemaLockKey = "4638121307";

} // namespace

QStringList beginSchemaCheck(SqlDialect dialect)
{
    if (dialect == SqlDialect::Sqlite)
        return {QStringLiteral("BEGIN IMMEDIATE")};
    return {QStringLiteral("BEGIN"), QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(QLatin1String(kSchemaLockKey))};
}

QString schemaTableExists(SqlDialect dialect)
{
    if (dialect == SqlDialect::Sqlite)
        return QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'feldmoor_schema'");
    return QStringLiteral("SELECT count(*) FROM information_schema.tables "
                          "WHERE table_schema = current_schema() AND table_name = 'feldmoor_schema'");
}

QString readSchemaVersion()
{
    return QStringLiteral("SELECT max(version) FROM feldmoor_schema");
}

QStringList createSchema(SqlDialect dialect)
{
    const QString key = dialect == SqlDialect::Sqlite ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
                                                      : QStringLiteral("BIGSERIAL PRIMARY KEY");
    QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS feldmoor_schema (version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS boards ("
                       "id %1, time TEXT NOT NULL, host TEXT, file TEXT, sha256 TEXT, part TEXT, idcode TEXT, "
                       "kind TEXT, result TEXT NOT NULL, exit_code INTEGER NOT NULL, seconds TEXT, restarts INTEGER, "
                       "location TEXT, serial TEXT, unchanged INTEGER, programmed INTEGER, erased INTEGER, "
                       "station TEXT NOT NULL, serial_pool TEXT, serial_number TEXT, row_id TEXT)")
            .arg(key),
        QStringLiteral("CREATE INDEX IF NOT EXISTS boards_by_time ON boards (time)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS serial_pools ("
                       "name TEXT PRIMARY KEY, format TEXT NOT NULL, first_value TEXT NOT NULL, "
                       "last_value TEXT NOT NULL, next_value TEXT)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS serial_values ("
                       "pool TEXT NOT NULL REFERENCES serial_pools (name), value TEXT NOT NULL, "
                       "state TEXT NOT NULL, host TEXT, pid TEXT, started TEXT, PRIMARY KEY (pool, value))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS serial_values_by_state ON serial_values (pool, state)"),
    };
    return statements;
}

QString rowIdColumnExists(SqlDialect dialect)
{
    if (dialect == SqlDialect::Sqlite)
        return QStringLiteral("SELECT count(*) FROM pragma_table_info('boards') WHERE name = 'row_id'");
    return QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE table_schema = current_schema() "
                          "AND table_name = 'boards' AND column_name = 'row_id'");
}

QString addRowIdColumn()
{
    return QStringLiteral("ALTER TABLE boards ADD COLUMN row_id TEXT");
}

QString indexRowIds()
{
    return QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS boards_by_row_id ON boards (row_id)");
}

QString writeSchemaVersion()
{
    return QStringLiteral("INSERT INTO feldmoor_schema (version) VALUES (CAST($1 AS INTEGER))");
}

QString commit()
{
    return QStringLiteral("COMMIT");
}

QString rollback()
{
    return QStringLiteral("ROLLBACK");
}

QString insertBoard()
{
    return QStringLiteral(
        "INSERT INTO boards (time, host, file, sha256, part, idcode, kind, result, exit_code, seconds, restarts, "
        "location, serial, unchanged, programmed, erased, station, serial_pool, serial_number, row_id) VALUES "
        "($1, $2, $3, $4, $5, $6, $7, $8, CAST($9 AS INTEGER), $10, CAST($11 AS INTEGER), $12, $13, "
        "CAST(NULLIF($14, '') AS INTEGER), CAST(NULLIF($15, '') AS INTEGER), CAST(NULLIF($16, '') AS INTEGER), "
        "$17, NULLIF($18, ''), NULLIF($19, ''), $20) ON CONFLICT (row_id) DO NOTHING");
}

QString selectBoards()
{
    return QStringLiteral(
        "SELECT time, host, file, sha256, part, idcode, kind, result, CAST(exit_code AS TEXT), seconds, "
        "CAST(restarts AS TEXT), location, serial, CAST(unchanged AS TEXT), CAST(programmed AS TEXT), "
        "CAST(erased AS TEXT), station, serial_pool, serial_number FROM boards ORDER BY id");
}

QString insertPool()
{
    return QStringLiteral("INSERT INTO serial_pools (name, format, first_value, last_value, next_value) "
                          "VALUES ($1, $2, $3, $4, $3) ON CONFLICT (name) DO NOTHING RETURNING name");
}

QString selectPools()
{
    return QStringLiteral("SELECT name, format, first_value, last_value, next_value FROM serial_pools ORDER BY name");
}

QString selectPool()
{
    return QStringLiteral("SELECT name, format, first_value, last_value, next_value FROM serial_pools WHERE name = $1");
}

QString countValues()
{
    return QStringLiteral("SELECT pool, state, count(*) FROM serial_values GROUP BY pool, state");
}

QString releaseSpoiled()
{
    return QStringLiteral("UPDATE serial_values SET state = 'free', host = NULL, pid = NULL, started = NULL "
                          "WHERE pool = $1 AND value = $2 AND state = 'spoiled' RETURNING value");
}

QString selectValueState()
{
    return QStringLiteral("SELECT state FROM serial_values WHERE pool = $1 AND value = $2");
}

QString beginWrite(SqlDialect dialect)
{
    // SQLite takes the file's write lock at once: two loaders drawing wait
    // for each other instead of failing at their first write.
    return dialect == SqlDialect::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
}

QString lockPool(SqlDialect dialect)
{
    if (dialect == SqlDialect::Sqlite)
        return selectPool();
    return selectPool() + QLatin1String(" FOR UPDATE");
}

QString selectFreeValue()
{
    // Decimal text orders as its number by length first.
    return QStringLiteral("SELECT value FROM serial_values WHERE pool = $1 AND state = 'free' "
                          "ORDER BY length(value), value LIMIT 1");
}

QString reserveFreeValue()
{
    return QStringLiteral("UPDATE serial_values SET state = 'reserved', host = $3, pid = $4, started = $5 "
                          "WHERE pool = $1 AND value = $2 AND state = 'free'");
}

QString insertReservedValue()
{
    return QStringLiteral("INSERT INTO serial_values (pool, value, state, host, pid, started) "
                          "VALUES ($1, $2, 'reserved', $3, $4, $5)");
}

QString moveNextValue()
{
    return QStringLiteral("UPDATE serial_pools SET next_value = $2 WHERE name = $1");
}

QString settleValue()
{
    return QStringLiteral("UPDATE serial_values SET state = $3 WHERE pool = $1 AND value = $2 AND state = 'reserved'");
}

QString takeLoaderLock()
{
    return QStringLiteral("SELECT pg_backend_pid(), pg_advisory_lock(pg_backend_pid(), CAST($1 AS INTEGER))");
}

QString spoilAbandonedOnServer()
{
    return QStringLiteral(
        "UPDATE serial_values SET state = 'spoiled' WHERE state = 'reserved' AND ($1 = '' OR pool = $1) "
        "AND NOT EXISTS (SELECT 1 FROM pg_locks AS l WHERE l.locktype = 'advisory' AND l.granted "
        "AND l.objsubid = 2 AND l.classid::text = serial_values.pid AND l.objid::text = serial_values.started)");
}

QString selectReservations()
{
    return QStringLiteral("SELECT pool, value, host, pid, started FROM serial_values WHERE state = 'reserved'");
}

QString spoilReservation()
{
    return QStringLiteral("UPDATE serial_values SET state = 'spoiled' WHERE pool = $1 AND value = $2 "
                          "AND state = 'reserved'");
}

} // namespace cli::recordsql
