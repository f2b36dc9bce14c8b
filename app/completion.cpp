#include "app/widget.h"
#include "ui_widget.h"

#include "app/windowjobobserver.h"
#include "app/singlebuttonbox.h"
#include "app/completionmessage.h"
#include "download/killcommand.h"
#include "download/partfamily.h"
#include "engine/adapterlock.h"
#include "engine/bytecount.h"
#include "engine/jobrunner.h"
#include "engine/jobsteps.h"
#include "engine/toolrun.h"
#include "engine/tooloutput.h"

#include "feldmoor/projectfacts.h"

#include <QDebug>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

QString Widget::runFailure(const engine::JobOutcome &run, QStringList &lines, bool &statusDue)
{
    statusDue = false;
    const engine::Outcome &outcome = run.outcome;
    const bool flashWrite = job.request.kind == FileKind::Bin;
    switch (outcome.kind) {
    case engine::OutcomeKind::Passed:
        // Nothing to ask once the adapter is gone: its warning follows.
        statusDue = deviceConnected.load(std::memory_order_relaxed);
        return QString();
    case engine::OutcomeKind::DoneNotChecked:
        lines << tr("未检查 DONE (%1 的 DONE 不读取)").arg(outcome.family);
        return QString();
    case engine::OutcomeKind::Interrupted:
        return flashWrite ? tr("下载已停止: 写入被中断, flash 中可能只有文件的一部分或已被擦除, 请重新下载")
                          : tr("下载已停止");
    case engine::OutcomeKind::TooManyRestarts:
        // A flash that always finishes an erase too fast (write-protected, or
        // not answering) would restart the job for ever.
        return tr("下载失败 (flash 扇区擦除又一次短于 10 ms, 已重新开始 %1 次: 请检查 flash 芯片及其写保护)")
            .arg(outcome.restarts);
    case engine::OutcomeKind::AdapterLostAtInit:
        // The tool goes on past an adapter that stopped answering during init
        // and exits 0: nothing was done on the board, whatever the later lines
        // say ("loaded file" among them).
        return outcome.toolLine.isEmpty()
                   ? tr("下载失败 (适配器在 init 时停止应答, 板上什么也没做)")
                   : tr("下载失败 (适配器在 init 时停止应答, 板上什么也没做: %1)").arg(outcome.toolLine);
    case engine::OutcomeKind::ImageCutShort:
        return outcome.heldKnown ? tr("下载失败 (文件放不下: flash 只装下了文件 %1 字节中的前 %2 字节)")
                                       .arg(outcome.fileSize)
                                       .arg(*outcome.heldKnown)
                                 : tr("下载失败 (文件放不下: flash 只装下了文件的开头)");
    case engine::OutcomeKind::ToolFailed:
    case engine::OutcomeKind::ToolEndedFromOutside:
        return completionMessage(job.request.kind, outcome.crashed ? QProcess::CrashExit : QProcess::NormalExit,
                                 outcome.exitCode);
    default:
        return completionMessage(job.request.kind, QProcess::CrashExit, outcome.exitCode);
    }
}

void Widget::softFinished()
{
    const engine::JobOutcome run = takeStageOutcome();
    downloadProcess->close();
    if (run.outcome.kind == engine::OutcomeKind::ToolNotStartable) {
        qDebug() << "程序启动失败" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("下载程序启动失败"));
        restartReport.clear();
        finishJob({}, QString());
        return;
    }
    runBoardPart = run.found.boardPart;
    // The tool exits 0 after a configuration the FPGA rejected, and after a
    // write that did not fit: the run's judge and the DONE check tell.
    QStringList lines;
    bool statusDue = false;
    const QString failure = runFailure(run, lines, statusDue);
    if (!failure.isEmpty() || !statusDue) {
        finishJob(lines, failure.isEmpty() ? completionMessage(job.request.kind, QProcess::NormalExit, 0) : failure);
        return;
    }
    readStatus(lines);
}

void Widget::readStatus(const QStringList &lines)
{
    statusLines = lines;
    const engine::JobRequest request = checkRequest();
    engine::Step status = engine::statusStep(request);
    status.limitMs = processWaitMs;
    runDownloadStage(request, {status}, &Widget::statusRead, false);
}

void Widget::statusRead()
{
    const engine::JobOutcome read = takeStageOutcome();
    QStringList lines = std::exchange(statusLines, QStringList());
    if (read.outcome.kind == engine::OutcomeKind::Interrupted) {
        finishJob(lines, tr("下载已停止; DONE 未检查"));
        return;
    }
    const QString failed = statusFailure(read, lines);
    finishJob(lines, failed.isEmpty() ? completionMessage(job.request.kind, QProcess::NormalExit, 0) : failed);
}

QString Widget::statusFailure(const engine::JobOutcome &status, QStringList &lines)
{
    // A read that hung still counts for the register it printed first.
    const std::optional<quint32> &value = status.found.status;
    if (!value) {
        lines << (status.outcome.kind == engine::OutcomeKind::Timeout
                      ? tr("状态读取 %1 秒内没有结束, 已被结束; DONE 未知").arg(processWaitMs / 1000)
                      : tr("状态读取没有给出状态寄存器, DONE 未知"));
        return QString();
    }
    const QString word = engine::hex32(*value);
    if (engine::statusFromEmptyChain(*value))
        return tr("下载失败 (状态寄存器读出 %1: JTAG 链上没有器件应答, FPGA 没有配置)").arg(word);
    const std::optional<engine::DoneCheck> &done = jobObserver->done();
    if (done && done->high.value_or(false))
        return QString();
    if (job.request.kind == FileKind::Bin)
        return tr("下载失败 (flash 中已是该文件, 但 FPGA 没有从它启动: DONE 为低, 状态寄存器 %1)").arg(word);
    const QString &board = runBoardPart;
    const QString &file = job.bitPart;
    if (!board.isEmpty() && !file.isEmpty() && board != file)
        return tr("下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1; 板上的 FPGA 是 %2, 文件是为 %3 生成的)")
            .arg(word, board, file);
    return tr("下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1)").arg(word);
}

void Widget::betweenRuns(const std::function<void()> &proceed)
{
    downloadProcess->close();
    endTools([this, proceed] {
        // A too-fast erase: the job's own run again, as the job started it.
        if (std::exchange(restartDue, false)) {
            qDebug() << "擦除小于10ms，重新开始";
            ui->plainTextEdit->clear();
        }
        proceed();
    });
}

void Widget::endTools(const std::function<void()> &then)
{
    // End every programming tool on the machine, not only ours: a stray one
    // would hold the adapter and make the next run fail. A live loader's are
    // spared: it ends them itself, and one cut off would leave its board's
    // flash half written.
    const KillCommand command = openocdKillCommand(engine::sparedLoaderTools());
    if (command.program.isEmpty()) {
        // Nothing to end: what follows still comes after this call, as it
        // does after an ender's end.
        QTimer::singleShot(0, this, then);
        return;
    }
    QProcess *ender = new QProcess(this);
    toolEnder = ender;
    const auto over = [this, ender, then] {
        if (toolEnder != ender)
            return;
        toolEnder = nullptr;
        QObject::disconnect(ender, nullptr, this, nullptr);
        ender->close();
        ender->deleteLater();
        then();
    };
    connect(ender, &QProcess::finished, this, over);
    connect(ender, &QProcess::errorOccurred, this, [over](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            over();
    });
    QTimer::singleShot(processWaitMs, ender, over);
    ender->start(command.program, command.arguments, QIODeviceBase::ReadWrite);
}

void Widget::endToolsNow()
{
    const KillCommand command = openocdKillCommand(engine::sparedLoaderTools());
    if (command.program.isEmpty())
        return;
    QProcess killer;
    killer.start(command.program, command.arguments, QIODeviceBase::ReadWrite);
    killer.waitForStarted(processWaitMs);
    killer.waitForFinished(processWaitMs);
    killer.close();
}

void Widget::finishJob(const QStringList &lines, const QString &message)
{
    for (const QString &line : lines)
        ui->plainTextEdit->appendPlainText(line);
    if (!message.isEmpty())
        ui->plainTextEdit->appendPlainText(message);
    qDebug() << "程序关闭成功" << downloadProcess->state();
    ui->plainTextEdit->appendPlainText(tr("下载程序关闭成功"));
    endJobHere();
    // The job is over either way; an adapter that went meanwhile is said.
    if (!deviceConnected.load(std::memory_order_relaxed)) {
        showSingleButtonBox(this, QMessageBox::Warning, "Feldmoor", "Please check the devices status.", "Yes");
        qDebug() << "请检查设备连接状态";
    }
}
