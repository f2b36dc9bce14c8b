#include "cli/records/postgresdatabase.h"
#include "cli/records/sqlitedatabase.h"

#include "cli/exitcodes.h"

namespace cli {

DatabaseConnection connectRecordDatabase(const RecordTarget &target)
{
    DatabaseConnection connection;
    QString error;
    if (target.kind == RecordKind::Sqlite) {
        connection.database = SqliteDatabase::open(target.location, error);
    } else if (target.kind == RecordKind::Postgresql) {
        if (const std::optional<QString> problem = PostgresDatabase::uriProblem(target.location)) {
            connection.errorCode = cli::exitcode::kUsage;
            connection.error = *problem;
            return connection;
        }
        connection.database = PostgresDatabase::open(target.location, error);
    }
    if (!connection.database) {
        connection.errorCode = cli::exitcode::kBadFile;
        connection.error = error;
    }
    return connection;
}

} // namespace cli
