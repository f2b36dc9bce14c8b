#include "app/widget.h"
#include "ui_widget.h"

#include "app/singlebuttonbox.h"
#include "download/commandcomposition.h"
#include "download/filekind.h"
#include "download/partfamily.h"
#include "engine/adapterchoice.h"
#include "engine/jobrunner.h"
#include "engine/jobsteps.h"
#include "engine/toolrun.h"

#include "feldmoor/projectfacts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>

namespace {

bool sameSilicon(const QString &a, const QString &b)
{
    return feldmoor::sameSilicon(feldmoor::findPart(a.toLatin1().constData()),
                                 feldmoor::findPart(b.toLatin1().constData()));
}

} // namespace

std::optional<feldmoor::AdapterIdentity> Widget::chosenAdapter(AdapterSelection &selection) const
{
    selection = {};
    if (attached.empty())
        return std::nullopt;
    if (attached.size() == 1)
        return attached.front();
    const std::size_t index = static_cast<std::size_t>(qMax(0, ui->cbB_adapter->currentIndex()));
    const feldmoor::AdapterIdentity &chosen = attached.at(qMin(index, attached.size() - 1));
    // As the loader picks it: by serial where the adapter has one.
    if (!chosen.serial.empty())
        selection.serial = QString::fromStdString(chosen.serial);
    else
        selection.usbLocation = QString::fromStdString(chosen.location);
    return chosen;
}

bool Widget::takeAdapter(const feldmoor::AdapterIdentity &adapter)
{
    const std::optional<engine::LockHolder> holder = adapterLocks.lock(adapter);
    if (!holder)
        return true;
    const QString location = QString::fromStdString(adapter.location);
    ui->plainTextEdit->appendPlainText(
        holder->loader ? tr("下载失败 (适配器 %1 正被 feldmoor-cli (进程 %2) 使用, 请等它结束)").arg(location).arg(holder->pid)
                       : tr("下载失败 (适配器 %1 正被另一个 Feldmoor 窗口 (进程 %2) 使用, 请等它结束)")
                             .arg(location)
                             .arg(holder->pid));
    return false;
}

engine::JobRequest Widget::checkRequest() const
{
    engine::JobRequest request;
    request.load = job.request;
    request.adapter = job.adapter;
    request.sourceFile = job.request.filePath;
    request.expectedPart = job.imagePart.isEmpty() ? job.request.partName : job.imagePart;
    return request;
}

void Widget::probeBoard()
{
    check = new CheckRun(engine::boardPartStep(checkRequest()), processWaitMs,
                         [this](const CheckRun::Outcome &probe) {
                             check->deleteLater();
                             check = nullptr;
                             if (boardTakesImage(probe))
                                 startRun();
                             else
                                 endJobHere();
                         },
                         this);
    check->start();
}

bool Widget::boardTakesImage(const CheckRun::Outcome &probe)
{
    // Only a board that answers with a catalogue part other than the one
    // named stops the write; anything the probe cannot tell goes on, and the
    // write's own run reports what it finds.
    // A tool that cannot be started says so in the write's own run.
    if (probe.verdict.outcome.kind == engine::OutcomeKind::ToolMissing ||
        probe.verdict.outcome.kind == engine::OutcomeKind::ToolNotStartable)
        return true;
    const std::optional<engine::PartCheck> &part = probe.facts.part;
    if (probe.timedOut && !(part && part->idcode))
        ui->plainTextEdit->appendPlainText(
            tr("器件检查: 检查程序 %1 秒内没有结束, 已被结束").arg(processWaitMs / 1000));
    if (!part || part->boardPart.isEmpty()) {
        ui->plainTextEdit->appendPlainText(
            part && part->idcode
                ? tr("器件检查: JTAG 链上的器件 (IDCODE 0x%1) 不在器件列表中, 继续下载")
                      .arg(*part->idcode, 8, 16, QLatin1Char('0'))
                : tr("器件检查: 未能读取 JTAG 链上的器件, 继续下载"));
        return true;
    }
    if (part->ok)
        return true;
    const QString board = part->boardPart;
    const QString &fromImage = job.imagePart;
    const bool imageNamesOther = !fromImage.isEmpty() && !sameSilicon(board, fromImage);
    const QString named = imageNamesOther ? fromImage : job.request.partName;
    const auto answer = QMessageBox::question(
        this, "Feldmoor",
        QString("The board holds %1, but the %2 %3. Write the flash anyway?")
            .arg(board, imageNamesOther ? QString("image is made for") : QString("chosen part is"), named),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        return true;
    ui->plainTextEdit->appendPlainText(
        imageNamesOther ? tr("下载取消: 板上的 FPGA 是 %1, 文件是为 %2 生成的; flash 未改动").arg(board, named)
                        : tr("下载取消: 板上的 FPGA 是 %1, 所选器件是 %2; flash 未改动").arg(board, named));
    return false;
}

void Widget::endJobHere()
{
    adapterLocks.unlockAll();
    isDownloading = false;
    updateFlashActions();
    restartDue = false;
    ui->pB_download->setText(tr("下载"));
    ui->progressBar->setRange(0, 100);
    ui->progressBar->setValue(0);
    ui->progressBar->hide();
}

void Widget::on_pB_download_clicked()
{
    openocdPath.clear();

    if (!deviceConnected.load(std::memory_order_relaxed)) {
        showSingleButtonBox(this, QMessageBox::Warning, "Feldmoor",
                            "Please check the devices status.", "Yes");
        qDebug() << "请检查设备连接状态";
        return;
    }

    // A job runs from this press to its last line, its checks and the
    // ending of its tools included; every end of it leaves the window idle,
    // so nothing here waits for a second press to reset it.
    if (isDownloading) {
        qDebug() << "程序关闭失败" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("请等待程序运行结束..."));
        return;
    }

    isDownloading = true;
    updateFlashActions();
    ui->pB_download->setText(tr("下载中"));

    DownloadRequest request;
    request.partName = ui->cbB_FPGAType->currentText();
    if (!windowPartFamily(request.partName).known()) {
        qDebug() << "Cannot find matching file";
        ui->plainTextEdit->appendPlainText(tr("Cannot find matching file."));
    }
    request.clockText = ui->cbB_clock->currentText();
    openocdPath = openocdProgramPath(QCoreApplication::applicationDirPath());

    request.filePath = ui->lE_downloadFile->text();
    if (request.filePath.isEmpty()) {
        const auto answer = QMessageBox::warning(this, "Feldmoor", "Please choose the download file.",
                                                 QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            qDebug() << "Cancle this process.";
            endJobHere();
            return;
        }
        on_pB_chooseFile_clicked();
        request.filePath = ui->lE_downloadFile->text();
        // The box was cancelled: there is nothing to load.
        if (request.filePath.isEmpty()) {
            endJobHere();
            return;
        }
    }

    request.kind = fileKindFromIndex(ui->cbB_fileType->currentIndex());
    request.applicationDir = QCoreApplication::applicationDirPath();

    adapterLocks.unlockAll();
    AdapterSelection selection;
    const std::optional<feldmoor::AdapterIdentity> adapter = chosenAdapter(selection);
    job = fixJob(request, selection, openocdPath);
    job.changedSectorsOnly = request.kind == FileKind::Bin && changedSectorsAction->isChecked();
    if (adapter)
        job.adapterKey = engine::adapterKey(*adapter);
    if (request.kind == FileKind::Bin) {
        downloadFileSize = job.progressSize();
        ui->progressBar->show();
    }
    restartCount = 0;
    restartDue = false;
    runBegun = false;
    if (adapter && !takeAdapter(*adapter)) {
        endJobHere();
        return;
    }
    if (request.kind == FileKind::Bin)
        probeBoard();
    else
        startRun();
}

void Widget::startRun()
{
    if (job.changedSectorsOnly) {
        runChangedSectorsWrite();
        return;
    }
    const DownloadCommand command = composeDownloadCommand(job.request, job.adapter);
    runOutput.clear();
    stopReason.clear();
    runBegun = true;
    // The start is told by the process's own signals, connected once in the
    // constructor; a failed start on Windows is told inside this call.
    downloadProcess->startForChunks({job.program, command.arguments});
}

void Widget::runStarted()
{
    qDebug() << "程序启动成功" << downloadProcess->state();
    ui->plainTextEdit->appendPlainText(tr("下载程序启动成功"));
    if (!restartReport.isEmpty())
        ui->plainTextEdit->appendPlainText(std::exchange(restartReport, QString()));
}

void Widget::runFailedToStart()
{
    qDebug() << "程序启动失败" << downloadProcess->state();
    ui->plainTextEdit->appendPlainText(tr("下载程序启动失败"));
    restartReport.clear();
    finishJob({}, QString());
}

void Widget::stopJob()
{
    if (!isDownloading)
        return;
    const auto answer = QMessageBox::question(this, "Feldmoor", "Stop the running job?",
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // The job may have ended by itself while the box was open.
    if (answer != QMessageBox::Yes || !isDownloading)
        return;
    if (flashRunner) {
        // The runner ends its tool and reports the job's end as any end.
        flashJob.stopped = true;
        engine::Outcome stopped;
        stopped.kind = engine::OutcomeKind::Interrupted;
        flashRunner->abort(stopped);
        return;
    }
    const bool flashWrite = job.request.kind == FileKind::Bin;
    restartDue = false;
    restartReport.clear();
    if (downloadProcess->running() || toolEnder) {
        // The run's end (or the ending of the tools already under way) comes
        // as any end does, and says this in place of its own words.
        stopReason = flashWrite ? tr("下载已停止: 写入被中断, flash 中可能只有文件的一部分或已被擦除, 请重新下载")
                                : tr("下载已停止");
        downloadProcess->end();
        return;
    }
    // A check run: the probe before the write (the flash is untouched) or
    // the status read after the run (the run itself had ended).
    const bool beforeTheRun = !runBegun;
    delete check;
    check = nullptr;
    finishJob({}, beforeTheRun && flashWrite ? tr("下载已停止; flash 未改动")
                  : beforeTheRun            ? tr("下载已停止")
                                            : tr("下载已停止; DONE 未检查"));
}
