#include "app/widget.h"
#include "ui_widget.h"

#include "app/flashresult.h"
#include "app/singlebuttonbox.h"
#include "app/windowjobobserver.h"
#include "download/commandcomposition.h"
#include "app/completionmessage.h"
#include "download/partfamily.h"
#include "engine/adapterlock.h"
#include "engine/bytecount.h"
#include "engine/jobrunner.h"
#include "engine/jobsteps.h"
#include "engine/scratchfile.h"

#include "feldmoor/projectfacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>

namespace {

const char kChangedSectorsKey[] = "flash/changedSectorsOnly";

bool sameSiliconAs(const QString &a, const QString &b)
{
    return feldmoor::sameSilicon(feldmoor::findPart(a.toLatin1().constData()),
                                 feldmoor::findPart(b.toLatin1().constData()));
}

} // namespace

void Widget::buildFlashMenu()
{
    // Stop first: it is there only while a job runs; the operations only
    // while none does and an adapter is attached.
    auto *flashMenu = new QMenu(this);
    stopAction = flashMenu->addAction(tr("停止"));
    stopAction->setEnabled(false);
    connect(stopAction, &QAction::triggered, this, &Widget::stopJob);
    flashMenu->addSeparator();
    verifyAction = flashMenu->addAction(tr("校验"));
    readBackAction = flashMenu->addAction(tr("读出到文件…"));
    eraseAction = flashMenu->addAction(tr("擦除"));
    blankCheckAction = flashMenu->addAction(tr("查空"));
    connect(verifyAction, &QAction::triggered, this, [this] { startFlashOperation(FlashOperation::Verify); });
    connect(readBackAction, &QAction::triggered, this, [this] { startFlashOperation(FlashOperation::ReadBack); });
    connect(eraseAction, &QAction::triggered, this, [this] { startFlashOperation(FlashOperation::Erase); });
    connect(blankCheckAction, &QAction::triggered, this, [this] { startFlashOperation(FlashOperation::BlankCheck); });
    // Off on first start; the choice is kept for the next.
    flashMenu->addSeparator();
    changedSectorsAction = flashMenu->addAction(tr("只写入变化的扇区"));
    changedSectorsAction->setCheckable(true);
    changedSectorsAction->setChecked(QSettings("Feldmoor", "Feldmoor").value(kChangedSectorsKey, false).toBool());
    connect(changedSectorsAction, &QAction::toggled, this,
            [](bool on) { QSettings("Feldmoor", "Feldmoor").setValue(kChangedSectorsKey, on); });
    ui->pB_flash->setMenu(flashMenu);
    updateFlashActions();
}

void Widget::updateFlashActions()
{
    if (!verifyAction)
        return;
    const bool free = !isDownloading && deviceConnected.load(std::memory_order_relaxed);
    for (QAction *action : {verifyAction, readBackAction, eraseAction, blankCheckAction})
        action->setEnabled(free);
    stopAction->setEnabled(isDownloading);
}

void Widget::startFlashOperation(FlashOperation operation)
{
    if (isDownloading || !deviceConnected.load(std::memory_order_relaxed))
        return;
    flashJob = {};
    flashJob.operation = operation;
    const QString file = ui->lE_downloadFile->text();
    if (!file.isEmpty()) {
        FlashImage image;
        const FlashImageProblem problem = readFlashImage(file, image);
        if (problem != FlashImageProblem::None) {
            ui->plainTextEdit->appendPlainText(flashImageProblemLine(operation, problem, file));
            return;
        }
        flashJob.image = image;
    } else if (operation == FlashOperation::Verify) {
        ui->plainTextEdit->appendPlainText(noFileLine(operation));
        return;
    }
    if (operation == FlashOperation::ReadBack) {
        const QString target = QFileDialog::getSaveFileName(this, tr("读出到文件…"), lastDir, QString());
        if (target.isEmpty())
            return;
        const ReadTargetProblem problem = readTargetProblem(target);
        if (problem != ReadTargetProblem::None) {
            ui->plainTextEdit->appendPlainText(readTargetProblemLine(problem, target));
            return;
        }
        flashJob.target = QFileInfo(target).absoluteFilePath();
    }

    isDownloading = true;
    updateFlashActions();
    adapterLocks.unlockAll();
    AdapterSelection selection;
    const std::optional<feldmoor::AdapterIdentity> adapter = chosenAdapter(selection);
    if (adapter) {
        flashJob.adapterName = adapter->serial.empty() ? QString::fromStdString(adapter->location)
                                                       : QString::fromStdString(adapter->serial);
        if (!takeAdapter(*adapter)) {
            endJobHere();
            return;
        }
    }

    const DownloadRequest form{ui->cbB_FPGAType->currentText(), ui->cbB_clock->currentText(), FileKind::Bin, QString(),
                         QCoreApplication::applicationDirPath()};
    flashBase = std::make_unique<engine::JobRequest>(flashOperationBase(
        form, selection, adapter ? engine::adapterKey(*adapter) : QString(), file, flashJob.image ? &*flashJob.image : nullptr));
    const engine::JobRequest &base = *flashBase;
    ui->progressBar->setValue(0);
    // The tool reports no progress while it reads or erases the flash (a
    // verify, a read back and a blank check are reads): the bar shows it is
    // busy. The sector-wise write does report, and its bar counts.
    ui->progressBar->setRange(0, 0);
    ui->progressBar->show();

    engine::JobRequest probe = base;
    probe.mode = engine::JobRequest::Mode::Detect;
    runFlashStage(probe, &Widget::flashProbeEnded);
}

void Widget::runFlashStage(const engine::JobRequest &request, void (Widget::*ended)())
{
    jobObserver = std::make_unique<WindowJobObserver>();
    jobObserver->onLine = [this](const QString &line) {
        if (!tearingDown)
            ui->plainTextEdit->appendPlainText(line);
    };
    jobObserver->onProgress = [this](qint64 bytes, qint64 total) {
        if (!tearingDown && total > 0)
            ui->progressBar->setValue(int(qBound(qint64(0), bytes * 100 / total, qint64(100))));
    };
    jobObserver->onResetProgress = [this] {
        if (!tearingDown)
            ui->progressBar->setValue(0);
    };
    startStage(request, engine::jobSteps(request), ended);
}

void Widget::flashProbeEnded()
{
    const engine::JobOutcome outcome = jobRunner->outcome();
    jobRunner->deleteLater();
    jobRunner = nullptr;
    const FlashOperation operation = flashJob.operation;
    if (flashJob.stopped) {
        endFlashOperation(flashResultLine({operation, outcome.outcome.kind, true, operationRange(operation, flashJob.image ? &*flashJob.image : nullptr), QString(), 0, {}, {}, flashJob.target}));
        return;
    }
    if (!engine::succeeded(outcome.outcome.kind)) {
        endFlashOperation(probeFailureLine(operation, outcome.outcome.kind, outcome.found.boardIdcode));
        return;
    }
    const QString board = outcome.found.boardPart;
    flashJob.boardPart = board;
    const engine::JobRequest &base = *flashBase;
    const bool fileNamesOther = !sameSiliconAs(board, base.expectedPart);
    if (fileNamesOther || !sameSiliconAs(board, base.load.partName)) {
        const QString named = fileNamesOther ? base.expectedPart : base.load.partName;
        const auto answer = QMessageBox::question(
            this, "Feldmoor",
            QString("The board holds %1, but the %2 %3. Go on anyway?")
                .arg(board, fileNamesOther ? QString("file is made for") : QString("chosen part is"), named),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes || flashJob.stopped) {
            endFlashOperation(partCancelLine(operation, board, named));
            return;
        }
    }
    if (operation == FlashOperation::Erase) {
        const QString range = flashRangeWords(operationRange(operation, flashJob.image ? &*flashJob.image : nullptr));
        const QString adapter = flashJob.adapterName.isEmpty() ? QString("the attached adapter")
                                                               : QString("adapter %1").arg(flashJob.adapterName);
        const auto answer = QMessageBox::question(
            this, "Feldmoor",
            QString("Erase %1 of the flash on the %2 behind %3? What it holds there is lost.").arg(range, board, adapter),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes || flashJob.stopped) {
            endFlashOperation(eraseCancelLine());
            return;
        }
    }
    runFlashJob();
}

void Widget::runFlashJob()
{
    const FlashOperation operation = flashJob.operation;
    QString imagePath;
    if (operation == FlashOperation::Verify) {
        // The tool compares a copy of the bytes read when the operation
        // began, made from a .bit or a .mcs as the loader makes it.
        flashJob.imageFile = std::make_shared<engine::ScratchFile>();
        QString error;
        if (!flashJob.imageFile->create(QDir::tempPath(), engine::scratchPrefix() + QLatin1String("XXXXXX.bin"),
                                        flashJob.image->bytes, error)) {
            FlashResult result{operation, engine::OutcomeKind::HostFileFailed, false, operationRange(operation, &*flashJob.image), flashJob.boardPart, 0, {}, {}, {}};
            endFlashOperation(flashResultLine(result));
            return;
        }
        imagePath = flashJob.imageFile->path();
    }
    const engine::JobRequest request = flashOperationRequest(
        operation, *flashBase, flashJob.image ? &*flashJob.image : nullptr, imagePath, flashJob.target);
    runFlashStage(request, &Widget::flashJobEnded);
}

void Widget::flashJobEnded()
{
    const engine::JobOutcome outcome = jobRunner->outcome();
    FlashResult result;
    result.operation = flashJob.operation;
    result.kind = outcome.outcome.kind;
    result.stopped = flashJob.stopped;
    result.boardPart = outcome.found.boardPart.isEmpty() ? flashJob.boardPart : outcome.found.boardPart;
    result.range = outcome.found.range ? outcome.found.range
                                       : operationRange(flashJob.operation, flashJob.image ? &*flashJob.image : nullptr);
    if (outcome.found.flash)
        result.sectorSize = outcome.found.flash->sectorSize;
    result.blank = jobObserver->blank();
    if (result.operation == FlashOperation::Verify)
        result.difference = flashDifference(jobObserver->toolLog());
    result.target = flashJob.target;
    jobRunner->deleteLater();
    jobRunner = nullptr;
    endFlashOperation(flashResultLine(result));
}

void Widget::endFlashOperation(const QString &line)
{
    ui->plainTextEdit->appendPlainText(line);
    flashJob.imageFile.reset();
    endJobHere();
    if (!deviceConnected.load(std::memory_order_relaxed)) {
        showSingleButtonBox(this, QMessageBox::Warning, "Feldmoor", "Please check the devices status.", "Yes");
    }
}

void Widget::runChangedSectorsWrite()
{
    flashJob = {};
    const engine::JobRequest request = changedSectorsRequest(job);
    runFlashStage(request, &Widget::changedSectorsWriteEnded);
}

void Widget::changedSectorsWriteEnded()
{
    const engine::JobOutcome outcome = jobRunner->outcome();
    jobRunner->deleteLater();
    jobRunner = nullptr;
    QStringList lines;
    const QString part = outcome.found.boardPart.isEmpty() ? job.request.partName : outcome.found.boardPart;
    if (const std::optional<engine::SectorSummary> &summary = jobObserver->sectors()) {
        const engine::FlashRange range{summary->offset, roundedToSectors(quint64(job.fileSize))};
        lines << tr("只写入变化的扇区: flash %1 的 %2 个扇区中 %3 个未变, %4 个直接写入, %5 个擦除后写入; 板上的 FPGA 是 %6")
                     .arg(flashRangeWords(range))
                     .arg(summary->sectors)
                     .arg(summary->unchanged)
                     .arg(summary->programmed)
                     .arg(summary->erased)
                     .arg(part);
    }
    if (flashJob.stopped) {
        finishJob(lines, tr("下载已停止: 写入被中断, flash 中可能只有文件的一部分或已被擦除, 请重新下载"));
        return;
    }
    const std::optional<engine::DoneCheck> &done = jobObserver->done();
    switch (flashFailure(outcome.outcome.kind)) {
    case FlashFailure::None:
        lines << tr("写入后校验: flash 与文件一致") << tr("已从 flash 重新加载 FPGA");
        if (done && done->high)
            lines << tr("DONE 为高");
        else if (done)
            lines << tr("未检查 DONE (%1 的 DONE 不读取)").arg(done->family);
        finishJob(lines, completionMessage(FileKind::Bin, QProcess::NormalExit, 0));
        return;
    case FlashFailure::DoneLow:
        lines << tr("写入后校验: flash 与文件一致") << tr("已从 flash 重新加载 FPGA");
        finishJob(lines, tr("下载失败 (flash 中已是该文件, 但 FPGA 没有从它启动: DONE 为低, 状态寄存器 %1)")
                             .arg(engine::hex32(outcome.found.status.value_or(0))));
        return;
    case FlashFailure::Differs:
        finishJob(lines, tr("下载失败 (写入后校验发现 flash 与文件不同)"));
        return;
    case FlashFailure::Range:
        finishJob(lines, tr("下载失败 (文件放不下或没有按扇区对齐, flash 未改动)"));
        return;
    default:
        finishJob(lines, tr("下载失败 (OpenOCD 出错, 见上面的日志)"));
        return;
    }
}
