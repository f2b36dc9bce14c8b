#ifndef FELDMOOR_CLI_RECORDS_POOLVALUES_H
#define FELDMOOR_CLI_RECORDS_POOLVALUES_H

#include "cli/records/boardrow.h"
#include "cli/records/poolstore.h"

#include <optional>

namespace cli {

// Who holds a value's reservation, kept with it: how a reservation whose
// loader is gone is told from one at work.
struct LoaderMark {
    QString host;
    QString pid;
    QString started;
};

// The loader's mark for the database, taken once per session: on PostgreSQL
// an advisory lock the server holds while the connection lives.
std::optional<QString> takeLoaderMark(RecordDatabase &db, LoaderMark &mark);

// Reservations whose loader is gone, in `pool` (every pool when empty),
// marked spoiled: such a loader may have written its value into a board.
std::optional<QString> spoilAbandoned(RecordDatabase &db, const QString &pool);

enum class DrawOutcome { Drawn, Empty, NoSuchPool, DatabaseFailed };

struct DrawnValue {
    DrawOutcome outcome = DrawOutcome::Drawn;
    PoolRange range;
    quint64 value = 0;
    QString error;  // the database's words, for DatabaseFailed
};

// One value reserved for a board: a released one first, else the pool's
// next; in one transaction, so no two loaders get the same.
DrawnValue drawValue(RecordDatabase &db, const QString &pool, const LoaderMark &mark);

// A reservation ended (see ValueFate).
std::optional<QString> settleValue(RecordDatabase &db, const QString &pool, quint64 value, ValueFate fate);

} // namespace cli

#endif
