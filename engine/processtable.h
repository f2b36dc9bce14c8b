#ifndef FELDMOOR_ENGINE_PROCESSTABLE_H
#define FELDMOOR_ENGINE_PROCESSTABLE_H

#include <QList>
#include <QString>

namespace engine {

// What the machine's process table says, which differs per platform
// (processtable_unix.cpp, processtable_win.cpp).

struct ProcessEntry {
    qint64 pid = 0;
    qint64 parentPid = 0;
};

// Every process whose program is named `name` ("openocd.exe").
QList<ProcessEntry> processesNamed(const QString &name);

bool processAlive(qint64 pid);

// When the process started, as text that tells it from a later one given
// the same number; empty when it is not running or can't be told.
QString processStarted(qint64 pid);

// This process.
qint64 ownPid();

} // namespace engine

#endif
