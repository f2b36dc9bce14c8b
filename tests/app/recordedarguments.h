#ifndef FELDMOOR_TESTS_RECORDEDARGUMENTS_H
#define FELDMOOR_TESTS_RECORDEDARGUMENTS_H

#include <QString>
#include <QStringList>

// The arguments a recording tool wrote, each followed by a NUL byte.
QStringList readRecordedArguments(const QString &path);

#endif
