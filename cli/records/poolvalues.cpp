#include "cli/records/poolvalues.h"

#include "cli/records/recordsql.h"

#include "engine/processtable.h"

#include <QRandomGenerator>
#include <QSysInfo>

namespace cli {

namespace {

const char *fateName(ValueFate fate)
{
    switch (fate) {
    case ValueFate::Used:
        return "used";
    case ValueFate::Free:
        return "free";
    case ValueFate::Spoiled:
        break;
    }
    return "spoiled";
}

DrawnValue drawFailed(RecordDatabase &db, const QString &error)
{
    db.run(recordsql::rollback());
    DrawnValue drawn;
    drawn.outcome = DrawOutcome::DatabaseFailed;
    drawn.error = error;
    return drawn;
}

// On SQLite: the reservations of this host whose process is gone, or is
// another one under the same number.
std::optional<QString> spoilAbandonedHere(RecordDatabase &db, const QString &pool)
{
    QList<SqlRow> rows;
    if (const std::optional<QString> error = db.run(recordsql::selectReservations(), {}, &rows))
        return error;
    const QString host = QSysInfo::machineHostName();
    for (const SqlRow &row : std::as_const(rows)) {
        if ((!pool.isEmpty() && row.value(0) != pool) || row.value(2) != host)
            continue;
        const qint64 pid = row.value(3).toLongLong();
        if (engine::processAlive(pid) && engine::processStarted(pid) == row.value(4))
            continue;
        if (const std::optional<QString> error = db.run(recordsql::spoilReservation(), {row.value(0), row.value(1)}))
            return error;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> takeLoaderMark(RecordDatabase &db, LoaderMark &mark)
{
    mark.host = QSysInfo::machineHostName();
    if (db.dialect() == SqlDialect::Sqlite) {
        mark.pid = QString::number(engine::ownPid());
        mark.started = engine::processStarted(engine::ownPid());
        return std::nullopt;
    }
    // The lock's second key tells this loader from a later connection that
    // the server gives the same backend pid.
    mark.started = QString::number(QRandomGenerator::system()->bounded(1, 0x7fffffff));
    QList<SqlRow> rows;
    if (const std::optional<QString> error = db.run(recordsql::takeLoaderLock(), {mark.started}, &rows))
        return error;
    mark.pid = rows.value(0).value(0);
    return std::nullopt;
}

std::optional<QString> spoilAbandoned(RecordDatabase &db, const QString &pool)
{
    if (db.dialect() == SqlDialect::Sqlite)
        return spoilAbandonedHere(db, pool);
    return db.run(recordsql::spoilAbandonedOnServer(), {pool});
}

DrawnValue drawValue(RecordDatabase &db, const QString &pool, const LoaderMark &mark)
{
    if (const std::optional<QString> error = db.run(recordsql::beginWrite(db.dialect())))
        return drawFailed(db, *error);
    QList<SqlRow> rows;
    if (const std::optional<QString> error = db.run(recordsql::lockPool(db.dialect()), {pool}, &rows))
        return drawFailed(db, *error);
    DrawnValue drawn;
    if (rows.isEmpty()) {
        db.run(recordsql::rollback());
        drawn.outcome = DrawOutcome::NoSuchPool;
        return drawn;
    }
    const SqlRow poolRow = rows.first();
    const std::optional<SerialFormat> format = parseSerialFormat(poolRow.value(1));
    const std::optional<quint64> first = parseSerialValue(poolRow.value(2));
    const std::optional<quint64> last = parseSerialValue(poolRow.value(3));
    if (!format || !first || !last)
        return drawFailed(db, QStringLiteral("pool %1's row can't be read").arg(pool));
    drawn.range = {pool, *format, *first, *last};
    if (const std::optional<QString> error = spoilAbandoned(db, pool))
        return drawFailed(db, *error);
    const QStringList holder{mark.host, mark.pid, mark.started};
    rows.clear();
    if (const std::optional<QString> error = db.run(recordsql::selectFreeValue(), {pool}, &rows))
        return drawFailed(db, *error);
    if (!rows.isEmpty()) {
        drawn.value = rows.first().value(0).toULongLong();
        if (const std::optional<QString> error =
                db.run(recordsql::reserveFreeValue(), QStringList{pool, rows.first().value(0)} + holder))
            return drawFailed(db, *error);
    } else {
        // NULL once every value was drawn.
        bool drawable = false;
        const quint64 next = poolRow.value(4).isNull() ? 0 : poolRow.value(4).toULongLong(&drawable);
        if (!drawable) {
            db.run(recordsql::rollback());
            drawn.outcome = DrawOutcome::Empty;
            return drawn;
        }
        drawn.value = next;
        const QString value = QString::number(next);
        if (const std::optional<QString> error =
                db.run(recordsql::insertReservedValue(), QStringList{pool, value} + holder))
            return drawFailed(db, *error);
        const QString after = next == *last ? QString() : QString::number(next + 1);
        if (const std::optional<QString> error = db.run(recordsql::moveNextValue(), {pool, after}))
            return drawFailed(db, *error);
    }
    if (const std::optional<QString> error = db.run(recordsql::commit()))
        return drawFailed(db, *error);
    return drawn;
}

std::optional<QString> settleValue(RecordDatabase &db, const QString &pool, quint64 value, ValueFate fate)
{
    return db.run(recordsql::settleValue(), {pool, QString::number(value), QLatin1String(fateName(fate))});
}

} // namespace cli
