#include "app/widget.h"
#include "ui_widget.h"

#include "app/singlebuttonbox.h"
#include "app/windowjobobserver.h"
#include "download/commandcomposition.h"
#include "download/filekind.h"
#include "download/partfamily.h"
#include "download/progresspercent.h"
#include "engine/adapterchoice.h"
#include "engine/downloadstep.h"
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

void Widget::runDownloadStage(const engine::JobRequest &request, QList<engine::Step> steps, void (Widget::*ended)(),
                              bool theRun)
{
    // The checks before and after the run show none of the tool's lines:
    // the window words what they found.
    jobObserver = std::make_unique<WindowJobObserver>();
    if (theRun) {
        jobObserver->onChunk = [this](const QByteArray &chunk) {
            toolChunk = chunk;
            softOutPut();
        };
        jobObserver->onLine = [this](const QString &text) { ui->plainTextEdit->appendPlainText(text); };
        jobObserver->onProgress = [this](qint64 bytes, qint64 total) {
            // No percentage exists before the job's file has a size; the size
            // is the one the job started with.
            if (const auto percent = progressPercent(int(bytes), quint32(total))) {
                qDebug() << "flash:" << percent->exact;
                emit progressValue(percent->whole);
            }
        };
        jobObserver->onRestart = [this](const engine::Restart &restart) {
            restartDue = true;
            restartReport = restart.report;
        };
    }
    startStage(request, std::move(steps), ended, theRun ? downloadProcess : nullptr);
}

void Widget::startStage(const engine::JobRequest &request, QList<engine::Step> steps, void (Widget::*ended)(),
                        engine::ToolRun *ownTool)
{
    jobRunner = new engine::JobRunner(request, std::move(steps), *jobObserver, this);
    if (ownTool) {
        // The download's run is the window's own tool, the one its suites
        // watch; the window ends every tool between its runs.
        jobRunner->useTool(ownTool);
        jobRunner->setBetweenRuns([this](const std::function<void()> &proceed) { betweenRuns(proceed); });
    }
    // A stage that ends inside its start (a tool that is not there) is
    // still taken from the event loop, after what began it.
    connect(
        jobRunner, &engine::JobRunner::finished, this,
        [this, ended] {
            if (!tearingDown)
                (this->*ended)();
        },
        Qt::QueuedConnection);
    jobRunner->start();
}

engine::JobOutcome Widget::takeStageOutcome()
{
    const engine::JobOutcome outcome = jobRunner->outcome();
    jobRunner->deleteLater();
    jobRunner = nullptr;
    return outcome;
}

void Widget::probeBoard()
{
    const engine::JobRequest request = checkRequest();
    engine::Step probe = engine::boardPartStep(request);
    probe.limitMs = processWaitMs;
    runDownloadStage(request, {probe}, &Widget::probeEnded, false);
}

void Widget::probeEnded()
{
    const engine::JobOutcome probe = takeStageOutcome();
    if (probe.outcome.kind == engine::OutcomeKind::Interrupted) {
        finishJob({}, tr("下载已停止; flash 未改动"));
        return;
    }
    if (boardTakesImage(probe))
        startRun();
    else
        endJobHere();
}

bool Widget::boardTakesImage(const engine::JobOutcome &probe)
{
    // Only a board that answers with a catalogue part other than the one
    // named stops the write; anything the probe cannot tell goes on, and the
    // write's own run reports what it finds.
    // A tool that cannot be started says so in the write's own run.
    if (probe.outcome.kind == engine::OutcomeKind::ToolMissing ||
        probe.outcome.kind == engine::OutcomeKind::ToolNotStartable)
        return true;
    const std::optional<engine::PartCheck> part = jobObserver->part();
    if (probe.outcome.kind == engine::OutcomeKind::Timeout && !(part && part->idcode))
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
    restartDue = false;
    restartReport.clear();
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
    engine::JobRequest request = checkRequest();
    request.fileSize = job.fileSize;
    engine::Step run = engine::downloadStep(request);
    // The bar's divisor, cut to 32 bits as the bar always took it.
    run.progressTotal = job.progressSize();
    runDownloadStage(request, {run}, &Widget::softFinished, true);
}

void Widget::runStarted()
{
    qDebug() << "程序启动成功" << downloadProcess->state();
    ui->plainTextEdit->appendPlainText(tr("下载程序启动成功"));
    if (!restartReport.isEmpty())
        ui->plainTextEdit->appendPlainText(std::exchange(restartReport, QString()));
}

void Widget::stopJob()
{
    if (!isDownloading)
        return;
    const auto answer = QMessageBox::question(this, "Feldmoor", "Stop the running job?",
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // The job may have ended by itself while the box was open.
    if (answer != QMessageBox::Yes || !isDownloading || !jobRunner)
        return;
    // The runner ends its tool (or lets the ending of the tools after a run
    // finish first) and reports the stage's end as any end, interrupted;
    // each stage words it.
    flashJob.stopped = true;
    restartDue = false;
    restartReport.clear();
    engine::Outcome stopped;
    stopped.kind = engine::OutcomeKind::Interrupted;
    jobRunner->abort(stopped);
}
