#ifndef FELDMOOR_TESTS_PROCESSCONTROL_H
#define FELDMOOR_TESTS_PROCESSCONTROL_H

#include <QList>
#include <QtGlobal>

// What the suites do to a child from outside the window: end it the way a
// crash or a forced kill does, and see whether it still exists.
void killFromOutside(qint64 pid);
bool processExists(qint64 pid);
// The processes that `parent` started and that still run.
QList<qint64> childProcesses(qint64 parent);

#endif
