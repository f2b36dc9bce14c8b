#ifndef FELDMOOR_CLI_LOADPLAN_H
#define FELDMOOR_CLI_LOADPLAN_H

#include "cli/cliargs.h"
#include "engine/jobrequest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace engine {
class ScratchFile;
}

namespace cli {

using namespace engine;

// The job a command line asks for, after looking at the file: its kind,
// the part it was made for, and the part the commands are composed for.
struct LoadPlan {
    JobRequest request;
    QByteArray fileBytes;
    // The image the tool writes or compares when it is made from the file
    // (a .mcs, a .bit for the flash); removed when the last copy goes.
    std::shared_ptr<ScratchFile> image;
    QStringList notes;  // what the loader says about the file before the job
    int errorCode = 0;  // non-zero: refused before anything runs
    QString error;
};

LoadPlan planJob(const CliOptions &options, const QString &applicationDir);

} // namespace cli

#endif
