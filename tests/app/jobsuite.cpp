#include "jobsuite.h"

#include "eventwait.h"
#include "windowinternals.h"

#include <QPlainTextEdit>
#include <QPushButton>

QStringList JobSuite::logLines()
{
    return find<QPlainTextEdit>("plainTextEdit")->toPlainText().split('\n');
}

QString JobSuite::buttonText()
{
    return find<QPushButton>("pB_download")->text();
}

QProcess *JobSuite::process()
{
    return WindowInternals::downloadProcess(*window);
}

void JobSuite::press()
{
    find<QPushButton>("pB_download")->click();
}

bool JobSuite::waitForIdle(int ms)
{
    return runEventLoopUntil([this] { return !WindowInternals::isDownloading(*window); }, ms);
}
