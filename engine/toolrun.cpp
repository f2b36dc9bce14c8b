#include "engine/toolrun.h"

#include "engine/childprocess.h"
#include "engine/tooloutput.h"

#include "download/outputchunk.h"

namespace engine {

ToolRun::ToolRun(QObject *parent) : QObject(parent), process_(new QProcess(this))
{
    process_->setProcessChannelMode(QProcess::MergedChannels);
    prepareChild(*process_);
    connect(process_, &QProcess::readyReadStandardOutput, this, &ToolRun::read);
    connect(process_, &QProcess::finished, this, &ToolRun::onFinished);
    connect(process_, &QProcess::started, this, [this] { emit toolStarted(process_->processId()); });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || reported_)
            return;
        reported_ = true;
        Exit exit;
        exit.failedToStart = true;
        exit.error = process_->errorString();
        emit finished(exit);
    });
}

void ToolRun::begin(const DownloadCommand &command)
{
    pending_.clear();
    endRequested_ = false;
    reported_ = false;
    // The window's run is opened read-write, as it always was; the loader's
    // steps give the tool nothing to read.
    process_->start(command.program, command.arguments, chunks_ ? QIODevice::ReadWrite : QIODevice::ReadOnly);
}

void ToolRun::start(const DownloadCommand &command, bool watchFlash)
{
    chunks_ = false;
    watchFlash_ = watchFlash;
    begin(command);
}

void ToolRun::startForChunks(const DownloadCommand &command)
{
    chunks_ = true;
    watchFlash_ = false;
    begin(command);
}

bool ToolRun::waitForStarted(int ms)
{
    return process_->waitForStarted(ms);
}

bool ToolRun::waitForFinished(int ms)
{
    return process_->waitForFinished(ms);
}

QProcess::ProcessState ToolRun::state() const
{
    return process_->state();
}

QProcess::ExitStatus ToolRun::exitStatus() const
{
    return process_->exitStatus();
}

int ToolRun::exitCode() const
{
    return process_->exitCode();
}

void ToolRun::close()
{
    process_->close();
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
    return process_->state() != QProcess::NotRunning;
}

void ToolRun::read()
{
    if (chunks_) {
        const QByteArray bytes = process_->readAllStandardOutput();
        if (!bytes.isEmpty())
            emit chunk(bytes);
        return;
    }
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
    if (!chunks_ && !pending_.isEmpty())
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
