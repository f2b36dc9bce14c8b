#ifndef FELDMOOR_CLI_LOADPLAN_H
#define FELDMOOR_CLI_LOADPLAN_H

#include "cli/cliargs.h"
#include "cli/jobrequest.h"

#include <QByteArray>
#include <QString>

namespace cli {

// The job a command line asks for, after looking at the file: its kind,
// the part it was made for, and the part the commands are composed for.
struct LoadPlan {
    JobRequest request;
    QByteArray fileBytes;
    int errorCode = 0;  // non-zero: refused before anything runs
    QString error;
};

LoadPlan planJob(const CliOptions &options, const QString &applicationDir);

} // namespace cli

#endif
