#ifndef FELDMOOR_DOWNLOAD_KILLCOMMAND_H
#define FELDMOOR_DOWNLOAD_KILLCOMMAND_H

#include <QString>
#include <QStringList>

struct KillCommand {
    QString program;
    QStringList arguments;
};

// Ends, by force, every process named openocd.exe.
KillCommand openocdKillCommand();

#endif
