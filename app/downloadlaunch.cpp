#include "app/widget.h"
#include "ui_widget.h"

#include "app/singlebuttonbox.h"
#include "download/commandcomposition.h"
#include "download/filekind.h"
#include "download/partfamily.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QProcess>

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
        isDownloading = false;
        ui->pB_download->setText(tr("下载"));
        ui->progressBar->setValue(0);
        ui->progressBar->hide();
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

    const DownloadCommand command = composeDownloadCommand(request);

    runningKind = request.kind;
    downloadProcess->start(openocdPath, command.arguments, QIODeviceBase::ReadWrite);
    if (downloadProcess->waitForStarted(processWaitMs)) {
        qDebug() << "程序启动成功" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("下载程序启动成功"));
    } else {
        qDebug() << "程序启动失败" << downloadProcess->state();
        ui->plainTextEdit->appendPlainText(tr("下载程序启动失败"));
    }
}
