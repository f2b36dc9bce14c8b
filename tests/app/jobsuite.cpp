#include "jobsuite.h"

#include "debuglog.h"
#include "eventwait.h"
#include "windowinternals.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

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
    // Wine now and then fails to create a process that exists ("Internal
    // error"), and says so inside the start. The window then ends the job,
    // as it must, and is ready for the next press; that is the press made
    // here, after undoing what the failed start wrote.
    for (int attempt = 1;; ++attempt) {
        QPlainTextEdit *pane = find<QPlainTextEdit>("plainTextEdit");
        const QString paneBefore = pane->toPlainText();
        const int debugBefore = DebugLog::size();
        QSignalSpy errors(process(), &QProcess::errorOccurred);
        find<QPushButton>("pB_download")->click();
        const bool spurious = !errors.isEmpty()
            && errors.first().first().value<QProcess::ProcessError>() == QProcess::FailedToStart
            && QFileInfo(process()->program()).isExecutable();
        if (!spurious || attempt == 3)
            return;
        qInfo("the tool failed to start (%s); pressing again", qPrintable(process()->errorString()));
        pane->setPlainText(paneBefore);
        DebugLog::truncate(debugBefore);
    }
}

bool JobSuite::waitForIdle(int ms)
{
    return runEventLoopUntil([this] { return !WindowInternals::isDownloading(*window); }, ms);
}
