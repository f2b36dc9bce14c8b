#ifndef FELDMOOR_TESTS_WINDOWDRIVER_H
#define FELDMOOR_TESTS_WINDOWDRIVER_H

#include <QString>
#include <QStringList>

class QProcess;
class Widget;

// What the job suites do to the window and read back from it, as a user
// would: by the controls' object names.
QStringList logLines(Widget &window);
QString downloadButtonText(Widget &window);
void pressDownload(Widget &window);
QProcess *downloadProcess(Widget &window);
// Runs the event loop until the job is back at idle; false on time-out.
bool waitForIdle(Widget &window, int ms = 30000);

// The arguments a recording tool wrote, each followed by a NUL byte.
QStringList readRecordedArguments(const QString &path);

#endif
