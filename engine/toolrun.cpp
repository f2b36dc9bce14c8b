#include "engine/toolrun.h"

#include "engine/childprocess.h"
#include "engine/tooloutput.h"

#include "download/outputchunk.h"

namespace engine {

ToolRun::ToolRun(QObject *parent) : QObject(parent)
{
}

void ToolRun::start(const DownloadCommand &command, bool watchFlash)
{
    watchFlash_ = watchFlash;
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    detachChildFromConsoleInterrupts(*process_);
    connect(process_, &QProcess::readyReadStandardOutput, this, &ToolRun::read);
    connect(process_, &QProcess::finished, this, &ToolRun::onFinished);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || reported_)
            return;
        reported_ = true;
        Exit exit;
        exit.failedToStart = true;
        exit.error = process_->errorString();
        emit finished(exit);
    });
    process_->start(command.program, command.arguments, QIODevice::ReadOnly);
}

void ToolRun::end()
{
    if (!running())
        return;
    endRequested_ = true;
    process_->kill();
}

bool ToolRun::running() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}

void ToolRun::read()
{
    pending_ += process_->readAllStandardOutput();
    qsizetype end;
    while ((end = pending_.indexOf('\n')) >= 0) {
        const QByteArray line = pending_.left(end + 1);
        pending_.remove(0, end + 1);
        judge(line);
    }
}

void ToolRun::judge(const QByteArray &piece)
{
    // Each line is judged as the window judges a chunk holding only it.
    if (watchFlash_ && isEraseRestartChunk(piece))
        emit tooFastErase(chunkLogText(piece));
    if (watchFlash_ && isProgressChunk(piece)) {
        emit progress(progressBytes(piece));
        return;
    }
    for (const QString &line : chunkLines(piece))
        emit logLine(line);
}

void ToolRun::onFinished(int exitCode, QProcess::ExitStatus status)
{
    read();
    if (!pending_.isEmpty())
        judge(std::exchange(pending_, QByteArray()));
    if (reported_)
        return;
    reported_ = true;
    Exit exit;
    exit.code = exitCode;
    exit.crashed = status != QProcess::NormalExit;
    exit.endedFromOutside = !endRequested_ && endedByKill(status, exitCode);
    emit finished(exit);
}

} // namespace engine
