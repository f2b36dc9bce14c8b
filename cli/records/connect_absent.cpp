// Built where the SQLite and PostgreSQL client libraries are not at hand:
// the record is a CSV file only.
#include "cli/records/recorddatabase.h"

#include "cli/exitcodes.h"

namespace cli {

DatabaseConnection connectRecordDatabase(const RecordTarget &)
{
    DatabaseConnection connection;
    connection.errorCode = cli::exitcode::kUsage;
    connection.error = QStringLiteral("this feldmoor-cli was built without database records (sqlite:, "
                                      "postgresql://): give --record a CSV file");
    return connection;
}

} // namespace cli
