#ifndef FELDMOOR_CLI_RECORDS_POOLSTORE_H
#define FELDMOOR_CLI_RECORDS_POOLSTORE_H

#include "cli/records/recorddatabase.h"
#include "cli/records/serialformat.h"

#include <QList>
#include <QString>

#include <optional>

namespace cli {

struct PoolRange {
    QString name;
    SerialFormat format;
    quint64 first = 0;
    quint64 last = 0;
};

// A pool as it stands: the next value never drawn (none once all were) and
// the count of drawn values in each state. Released values are free again.
struct PoolState {
    PoolRange range;
    std::optional<quint64> next;
    quint64 released = 0;
    quint64 used = 0;
    quint64 reserved = 0;
    quint64 spoiled = 0;
};

// Free values as decimal text: a whole 64-bit range holds one more than a
// 64-bit number does.
QString freeCount(const PoolState &pool);

enum class PoolOutcome { Done, NameTaken, NoSuchPool, NotDrawn, Used, Reserved, AlreadyFree, DatabaseFailed };

struct PoolAnswer {
    PoolOutcome outcome = PoolOutcome::Done;
    QString error;  // the database's words, for DatabaseFailed
};

PoolAnswer createPool(RecordDatabase &db, const PoolRange &range);
// Every pool, or the one named (none when it doesn't exist).
std::optional<QList<PoolState>> readPools(RecordDatabase &db, const QString &name, QString &error);
// A spoiled value back to free.
PoolAnswer releaseValue(RecordDatabase &db, const QString &pool, quint64 value);

} // namespace cli

#endif
