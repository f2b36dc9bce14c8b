#include "app/widget.h"
#include "ui_widget.h"

#include "app/checkfacts.h"
#include "app/singlebuttonbox.h"
#include "download/commandcomposition.h"
#include "download/filekind.h"
#include "download/partfamily.h"
#include "engine/adapterchoice.h"
#include "engine/exitcodes.h"
#include "engine/imagefile.h"
#include "engine/jobsteps.h"
#include "engine/stepinplace.h"
#include "engine/toolrun.h"

#include "feldmoor/projectfacts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QMessageBox>

namespace {

// The part a .bin's IDCODE packet names; empty when it names none the
// catalogue knows.
QString imagePart(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const std::optional<quint32> idcode = engine::binImageIdcode(file.read(64 * 1024));
    const feldmoor::PartFacts *part = idcode ? feldmoor::findPartByIdcode(*idcode) : nullptr;
    return part ? QLatin1String(part->name) : QString();
}

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

bool Widget::boardTakesImage(const DownloadRequest &request)
{
    // Only a board that answers with a catalogue part other than the one
    // named stops the write; anything the probe cannot tell goes on, and the
    // write's own run reports what it finds.
    engine::JobRequest job;
    job.load = request;
    job.adapter = runningAdapter;
    job.sourceFile = request.filePath;
    const QString fromImage = imagePart(request.filePath);
    job.expectedPart = fromImage.isEmpty() ? request.partName : fromImage;
    engine::Step probe = engine::boardPartStep(job);
    engine::JobState state;
    CheckFacts facts;
    const engine::Verdict probed = engine::runStepInPlace(probe, state, facts, processWaitMs);
    // A tool that cannot be started says so in the write's own run.
    if (probed.code == engine::exitcode::kToolMissing)
        return true;
    if (!facts.part || facts.part->boardPart.isEmpty()) {
        ui->plainTextEdit->appendPlainText(
            facts.part && facts.part->idcode
                ? tr("器件检查: JTAG 链上的器件 (IDCODE 0x%1) 不在器件列表中, 继续下载")
                      .arg(*facts.part->idcode, 8, 16, QLatin1Char('0'))
                : tr("器件检查: 未能读取 JTAG 链上的器件, 继续下载"));
        return true;
    }
    if (facts.part->ok)
        return true;
    const QString board = facts.part->boardPart;
    const bool imageNamesOther = !fromImage.isEmpty() && !sameSilicon(board, fromImage);
    const QString named = imageNamesOther ? fromImage : request.partName;
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
    ui->pB_download->setText(tr("下载"));
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

    if (isDownloading) {
        if (downloadProcess->state() != QProcess::NotRunning) {
            qDebug() << "程序关闭失败" << downloadProcess->state();
            ui->plainTextEdit->appendPlainText(tr("请等待程序运行结束..."));
            return;
        }
        qDebug() << "程序关闭成功" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("下载程序关闭成功"));
        // A restart keeps the job's adapter for the run that follows.
        if (restarting) {
            isDownloading = false;
            ui->pB_download->setText(tr("下载"));
            ui->progressBar->setValue(0);
            ui->progressBar->hide();
        } else {
            endJobHere();
        }
        return;
    }

    isDownloading = true;
    ui->pB_download->setText(tr("下载中"));

    DownloadRequest request;
    request.partName = ui->cbB_FPGAType->currentText();
    if (!partFamily(request.partName).known()) {
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
            return;
        }
        on_pB_chooseFile_clicked();
        request.filePath = ui->lE_downloadFile->text();
    }

    request.kind = fileKindFromIndex(ui->cbB_fileType->currentIndex());
    if (request.kind == FileKind::Bin)
        ui->progressBar->show();
    request.applicationDir = QCoreApplication::applicationDirPath();

    // A restart runs the job's own run again; the adapter, its lock and the
    // part check stay those of the job's start.
    if (!restarting) {
        restartCount = 0;
        adapterLocks.unlockAll();
        const std::optional<feldmoor::AdapterIdentity> adapter = chosenAdapter(runningAdapter);
        if (adapter && !takeAdapter(*adapter)) {
            endJobHere();
            return;
        }
        if (request.kind == FileKind::Bin && !boardTakesImage(request)) {
            endJobHere();
            return;
        }
    }

    const DownloadCommand command = composeDownloadCommand(request, runningAdapter);

    runningKind = request.kind;
    runningRequest = request;
    runOutput.clear();
    stopReason.clear();
    downloadProcess->startForChunks({openocdPath, command.arguments});
    if (downloadProcess->waitForStarted(processWaitMs)) {
        qDebug() << "程序启动成功" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("下载程序启动成功"));
    } else {
        qDebug() << "程序启动失败" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("下载程序启动失败"));
    }
}
