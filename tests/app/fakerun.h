#ifndef FELDMOOR_TESTS_FAKERUN_H
#define FELDMOOR_TESTS_FAKERUN_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Drives the recording programming tool (recordingtool.cpp) that stands beside
// this suite: writes its plan and reads back what it was given.
class FakeRun
{
public:
    FakeRun();

    void plan(const QStringList &steps);
    QStringList arguments() const;
    int starts() const;
    // Waits, without running the event loop, until the tool has been
    // started `count` times; false after five seconds.
    bool waitForStarts(int count) const;
    QString path(const QString &name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
};

#endif
