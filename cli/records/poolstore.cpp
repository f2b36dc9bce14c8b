#include "cli/records/poolstore.h"

#include "cli/records/recordsql.h"

#include <QHash>

namespace cli {

namespace {

PoolAnswer failedWith(const QString &error)
{
    return {PoolOutcome::DatabaseFailed, error};
}

std::optional<PoolState> poolFromRow(const SqlRow &row)
{
    const std::optional<SerialFormat> format = parseSerialFormat(row.value(1));
    const std::optional<quint64> first = parseSerialValue(row.value(2));
    const std::optional<quint64> last = parseSerialValue(row.value(3));
    if (!format || !first || !last)
        return std::nullopt;
    PoolState pool;
    pool.range = {row.value(0), *format, *first, *last};
    if (!row.value(4).isNull())
        pool.next = parseSerialValue(row.value(4));
    return pool;
}

} // namespace

QString freeCount(const PoolState &pool)
{
    unsigned __int128 count = pool.released;
    if (pool.next)
        count += static_cast<unsigned __int128>(pool.range.last - *pool.next) + 1;
    if (count == 0)
        return QStringLiteral("0");
    QString digits;
    while (count > 0) {
        digits.prepend(QLatin1Char(char('0' + int(count % 10))));
        count /= 10;
    }
    return digits;
}

PoolAnswer createPool(RecordDatabase &db, const PoolRange &range)
{
    QList<SqlRow> rows;
    if (const std::optional<QString> error =
            db.run(recordsql::insertPool(),
                   {range.name, serialFormatName(range.format), QString::number(range.first),
                    QString::number(range.last)},
                   &rows))
        return failedWith(*error);
    return {rows.isEmpty() ? PoolOutcome::NameTaken : PoolOutcome::Done, {}};
}

std::optional<QList<PoolState>> readPools(RecordDatabase &db, const QString &name, QString &error)
{
    QList<SqlRow> poolRows;
    const std::optional<QString> poolError = name.isEmpty()
                                                 ? db.run(recordsql::selectPools(), {}, &poolRows)
                                                 : db.run(recordsql::selectPool(), {name}, &poolRows);
    QList<SqlRow> countRows;
    const std::optional<QString> countError = poolError ? poolError : db.run(recordsql::countValues(), {}, &countRows);
    if (countError) {
        error = *countError;
        return std::nullopt;
    }
    QList<PoolState> pools;
    QHash<QString, qsizetype> byName;
    for (const SqlRow &row : std::as_const(poolRows)) {
        if (const std::optional<PoolState> pool = poolFromRow(row)) {
            byName.insert(pool->range.name, pools.size());
            pools << *pool;
        }
    }
    for (const SqlRow &row : std::as_const(countRows)) {
        const auto found = byName.constFind(row.value(0));
        if (found == byName.constEnd())
            continue;
        PoolState &pool = pools[*found];
        const quint64 count = row.value(2).toULongLong();
        const QString state = row.value(1);
        if (state == QLatin1String("free"))
            pool.released += count;
        else if (state == QLatin1String("used"))
            pool.used += count;
        else if (state == QLatin1String("reserved"))
            pool.reserved += count;
        else if (state == QLatin1String("spoiled"))
            pool.spoiled += count;
    }
    return pools;
}

PoolAnswer releaseValue(RecordDatabase &db, const QString &pool, quint64 value)
{
    QString error;
    const std::optional<QList<PoolState>> pools = readPools(db, pool, error);
    if (!pools)
        return failedWith(error);
    if (pools->isEmpty())
        return {PoolOutcome::NoSuchPool, {}};
    const QStringList key{pool, QString::number(value)};
    QList<SqlRow> rows;
    if (const std::optional<QString> failed = db.run(recordsql::releaseSpoiled(), key, &rows))
        return failedWith(*failed);
    if (!rows.isEmpty())
        return {};
    rows.clear();
    if (const std::optional<QString> failed = db.run(recordsql::selectValueState(), key, &rows))
        return failedWith(*failed);
    const QString state = rows.isEmpty() ? QString() : rows.first().value(0);
    if (state == QLatin1String("used"))
        return {PoolOutcome::Used, {}};
    if (state == QLatin1String("reserved"))
        return {PoolOutcome::Reserved, {}};
    if (state == QLatin1String("free"))
        return {PoolOutcome::AlreadyFree, {}};
    return {PoolOutcome::NotDrawn, {}};
}

} // namespace cli
