#ifndef FELDMOOR_TESTS_JOBSUITE_H
#define FELDMOOR_TESTS_JOBSUITE_H

#include "app/widget.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QProcess;

// Common ground of the suites that run whole jobs: a window on a simulated
// bus, a folder for their files, and what they do to the window and read back
// from it, as a user would, by the controls' object names.
class JobSuite : public QObject
{
protected:
    explicit JobSuite(const QString &bus) : bus(bus) {}

    template<typename T> T *find(const char *name) { return window->findChild<T *>(name); }
    QStringList logLines();
    QString buttonText();
    QProcess *process();
    void press();
    // Runs the event loop until the job is back at idle; false on time-out.
    bool waitForIdle(int ms = 30000);

    QString bus;
    QTemporaryDir files;
    std::unique_ptr<Widget> window;
};

#endif
