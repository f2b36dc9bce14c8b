#include "app/widget.h"
#include "ui_widget.h"

#include "download/completionmessage.h"
#include "download/killcommand.h"

#include <QProcess>

namespace {

class CompletionScope
{
public:
    explicit CompletionScope(int &depth) : depth(depth) { ++depth; }
    ~CompletionScope() { --depth; }
    CompletionScope(const CompletionScope &) = delete;
    CompletionScope &operator=(const CompletionScope &) = delete;

private:
    int &depth;
};

}

void Widget::softFinished()
{
    const CompletionScope scope(completionDepth);

    // End every programming tool on the machine, not only ours: a stray one
    // would hold the adapter and make the next run fail.
    const KillCommand command = openocdKillCommand();
    QProcess *killer = new QProcess;
    killer->start(command.program, command.arguments, QIODeviceBase::ReadWrite);
    killer->waitForStarted(processWaitMs);
    killer->waitForFinished(processWaitMs);
    killer->close();
    delete killer;

    // When a restart aborted the run, its end is delivered here, nested, and
    // never later against the run that follows.
    downloadProcess->waitForFinished(processWaitMs);
    downloadProcess->close();

    ui->plainTextEdit->appendPlainText(
        completionMessage(runningKind, downloadProcess->exitStatus(), downloadProcess->exitCode()));

    // A window being torn down neither resets nor warns nor starts a run.
    if (!tearingDown)
        on_pB_download_clicked();
}
