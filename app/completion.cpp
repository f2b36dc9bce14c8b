#include "app/widget.h"
#include "ui_widget.h"

#include "app/checkfacts.h"
#include "app/singlebuttonbox.h"
#include "app/completionmessage.h"
#include "download/killcommand.h"
#include "download/partfamily.h"
#include "engine/adapterlock.h"
#include "engine/bytecount.h"
#include "engine/jobsteps.h"
#include "engine/toolrun.h"
#include "engine/tooloutput.h"

#include "feldmoor/projectfacts.h"

#include <QDebug>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

namespace {

// The catalogue part the run's TAP line names; empty when none.
QString tapPart(const QString &output)
{
    const std::optional<quint32> idcode = engine::tapFoundIdcode(output);
    const feldmoor::PartFacts *part = idcode ? feldmoor::findPartByIdcode(*idcode) : nullptr;
    return part ? QLatin1String(part->name) : QString();
}

} // namespace

QString Widget::runLogFailure(QStringList &lines, bool &statusDue)
{
    statusDue = false;
    const DownloadRequest &request = job.request;
    // The tool goes on past an adapter that stopped answering during init
    // and exits 0: nothing was done on the board, whatever the later lines
    // say ("loaded file" among them).
    if (const std::optional<engine::AdapterLost> lost = engine::adapterLostAtInit(runOutput)) {
        return lost->error.isEmpty() ? tr("下载失败 (适配器在 init 时停止应答, 板上什么也没做)")
                                     : tr("下载失败 (适配器在 init 时停止应答, 板上什么也没做: %1)").arg(lost->error);
    }
    if (request.kind == FileKind::Bin) {
        if (const std::optional<engine::ImageCutShort> cut = engine::imageCutShort(runOutput)) {
            const std::optional<quint64> held = cut->heldFrom(0);
            return held ? tr("下载失败 (文件放不下: flash 只装下了文件 %1 字节中的前 %2 字节)")
                              .arg(job.fileSize)
                              .arg(*held)
                        : tr("下载失败 (文件放不下: flash 只装下了文件的开头)");
        }
    }

    const PartFamily family = windowPartFamily(request.partName);
    if (!family.doneReadable()) {
        lines << tr("未检查 DONE (%1 的 DONE 不读取)").arg(family.name());
        return QString();
    }
    // Nothing to ask once the adapter is gone: its warning follows.
    statusDue = deviceConnected.load(std::memory_order_relaxed);
    return QString();
}

QString Widget::statusFailure(const CheckRun::Outcome &status, QStringList &lines)
{
    const DownloadRequest &request = job.request;
    if (!status.state.status) {
        lines << (status.timedOut ? tr("状态读取 %1 秒内没有结束, 已被结束; DONE 未知").arg(processWaitMs / 1000)
                                  : tr("状态读取没有给出状态寄存器, DONE 未知"));
        return QString();
    }
    const QString value = engine::hex32(*status.state.status);
    if (engine::statusFromEmptyChain(*status.state.status))
        return tr("下载失败 (状态寄存器读出 %1: JTAG 链上没有器件应答, FPGA 没有配置)").arg(value);
    if (status.facts.done && status.facts.done->high.value_or(false))
        return QString();
    if (request.kind == FileKind::Bin)
        return tr("下载失败 (flash 中已是该文件, 但 FPGA 没有从它启动: DONE 为低, 状态寄存器 %1)").arg(value);
    const QString board = tapPart(runOutput);
    const QString &file = job.bitPart;
    if (!board.isEmpty() && !file.isEmpty() && board != file)
        return tr("下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1; 板上的 FPGA 是 %2, 文件是为 %3 生成的)")
            .arg(value, board, file);
    return tr("下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1)").arg(value);
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

void Widget::softFinished()
{
    if (tearingDown) {
        // The window is going: its last run ends here and now, and nothing
        // resets, warns or starts.
        const KillCommand command = openocdKillCommand(engine::sparedLoaderTools());
        if (!command.program.isEmpty()) {
            QProcess killer;
            killer.start(command.program, command.arguments, QIODeviceBase::ReadWrite);
            killer.waitForStarted(processWaitMs);
            killer.waitForFinished(processWaitMs);
            killer.close();
        }
        downloadProcess->close();
        ui->plainTextEdit->appendPlainText(
            stopReason.isEmpty() ? completionMessage(job.request.kind, downloadProcess->exitStatus(),
                                                     downloadProcess->exitCode())
                                 : stopReason);
        return;
    }
    endTools([this] { runEnded(); });
}

void Widget::runEnded()
{
    const QProcess::ExitStatus status = downloadProcess->exitStatus();
    const int code = downloadProcess->exitCode();
    downloadProcess->close();

    // A too-fast erase: the job's own run again, as the job started it.
    if (restartDue) {
        restartDue = false;
        qDebug() << "擦除小于10ms，重新开始";
        ui->plainTextEdit->clear();
        startRun();
        return;
    }

    const QString message = completionMessage(job.request.kind, status, code);
    if (!stopReason.isEmpty()) {
        finishJob({}, stopReason);
        return;
    }
    if (status != QProcess::NormalExit || code != 0) {
        finishJob({}, message);
        return;
    }
    // The tool exits 0 after a configuration the FPGA rejected, and
    // after a write that did not fit: only the checks tell.
    QStringList lines;
    bool statusDue = false;
    const QString failure = runLogFailure(lines, statusDue);
    if (!failure.isEmpty() || !statusDue) {
        finishJob(lines, failure.isEmpty() ? message : failure);
        return;
    }
    check = new CheckRun(engine::statusStep(checkRequest()), processWaitMs,
                         [this, lines, message](const CheckRun::Outcome &read) {
                             check->deleteLater();
                             check = nullptr;
                             QStringList all = lines;
                             const QString failed = statusFailure(read, all);
                             finishJob(all, failed.isEmpty() ? message : failed);
                         },
                         this);
    check->start();
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
