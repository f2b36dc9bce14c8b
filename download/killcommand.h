#ifndef FELDMOOR_DOWNLOAD_KILLCOMMAND_H
#define FELDMOOR_DOWNLOAD_KILLCOMMAND_H

#include <QString>
#include <QList>
#include <QStringList>

struct KillCommand {
    QString program;
    QStringList arguments;
};

// Which programming tools a run's end may not touch: those a live loader
// runs, which it ends itself (a write of theirs cut off would leave a flash
// half written). `others`: every other process named openocd.exe.
struct SparedTools {
    QList<qint64> spared;
    QList<qint64> others;
    // A live loader holds an adapter: between two of its runs it has no tool
    // to spare, yet its next one may start while the window ends the others,
    // so nothing may be ended by name then.
    bool loaderLive = false;
};

// Ends, by force, every process named openocd.exe but the spared ones. An
// empty program: there is nothing to end.
KillCommand openocdKillCommand(const SparedTools &tools = {});

#endif
