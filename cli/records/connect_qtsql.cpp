// Built where Qt SQL stands in for the SQLite and PostgreSQL client
// libraries: an SQLite file through Qt's driver, and no PostgreSQL.
#include "cli/records/qtsqldatabase.h"

#include "cli/exitcodes.h"

namespace cli {

DatabaseConnection connectRecordDatabase(const RecordTarget &target)
{
    DatabaseConnection connection;
    if (target.kind != RecordKind::Sqlite) {
        connection.errorCode = cli::exitcode::kUsage;
        connection.error = QStringLiteral("this feldmoor-cli was built without PostgreSQL records: give --record a "
                                          "CSV file or sqlite:PATH");
        return connection;
    }
    QString error;
    connection.database = QtSqlDatabase::open(target.location, error);
    if (!connection.database) {
        connection.errorCode = cli::exitcode::kBadFile;
        connection.error = error;
    }
    return connection;
}

} // namespace cli
