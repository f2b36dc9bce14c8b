#ifndef FELDMOOR_TESTS_DEBUGLOG_H
#define FELDMOOR_TESTS_DEBUGLOG_H

#include <QString>
#include <QStringList>

// Collects the debug lines the program writes, from any thread, while an
// instance is alive. Lines are kept as Qt's debug stream formats them.
class DebugLog
{
public:
    DebugLog();
    ~DebugLog();
    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    QStringList lines() const;
    int count(const QString &text) const;
    void clear();

    // For undoing what one step wrote, whether or not a log is alive.
    static int size();
    static void truncate(int size);
};

#endif
