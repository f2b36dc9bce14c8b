#include "cli/records/recordtarget.h"

namespace cli {

RecordTarget recordTarget(const QString &given)
{
    RecordTarget target;
    target.given = given;
    if (given.isEmpty())
        return target;
    static const QLatin1String kSqlite("sqlite:");
    if (given.startsWith(kSqlite)) {
        target.kind = RecordKind::Sqlite;
        target.location = given.mid(kSqlite.size());
    } else if (given.startsWith(QLatin1String("postgresql://")) || given.startsWith(QLatin1String("postgres://"))) {
        target.kind = RecordKind::Postgresql;
        target.location = given;
    } else {
        target.kind = RecordKind::Csv;
        target.location = given;
    }
    return target;
}

} // namespace cli
