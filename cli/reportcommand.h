#ifndef FELDMOOR_CLI_REPORTCOMMAND_H
#define FELDMOOR_CLI_REPORTCOMMAND_H

#include "cli/records/boardreport.h"
#include "cli/records/poolstore.h"

#include <QList>
#include <QString>

namespace cli {

struct CliOptions;
class Reporter;

// What `report` says: the boards' counts and each pool's (a database only).
struct RecordReport {
    QString record;  // --record as given
    BoardReport boards;
    QList<PoolState> pools;
};

QString reportText(const RecordReport &report);
// One line of JSON; pools' numbers exact however large.
QString reportJson(const RecordReport &report);

// `report` on a CSV or database record; the exit status back.
int runReportCommand(const CliOptions &options, Reporter &reporter);

} // namespace cli

#endif
