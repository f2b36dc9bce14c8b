#include "app/widget.h"
#include "ui_widget.h"

#include "download/outputchunk.h"
#include "download/progresspercent.h"

#include <QDebug>
#include <QProcess>

void Widget::softOutPut()
{
    const QByteArray chunk = downloadProcess->readAllStandardOutput();
    const QString logText = chunkLogText(chunk);
    qDebug() << "Debug:" << chunk;

    // A report delivered inside a completion procedure's waits belongs to the
    // run being ended, and one delivered during teardown to a window that is
    // going away: restarting from either would nest a second completion or
    // start a run on a dying process object.
    if (isEraseRestartChunk(chunk) && completionDepth == 0 && !tearingDown) {
        softFinished();
        isDownloading = false;
        qDebug() << "擦除小于10ms，重新开始";
        ui->plainTextEdit->clear();
        on_pB_download_clicked();
    }

    if (isProgressChunk(chunk)) {
        // No percentage exists before a "BIN" file's size is known.
        if (const auto percent = progressPercent(progressBytes(chunk), downloadFileSize)) {
            qDebug() << "flash:" << percent->exact;
            emit progressValue(percent->whole);
        }
    } else {
        ui->plainTextEdit->appendPlainText(logText);
    }
}

void Widget::changeProcessValue(int value)
{
    qDebug() << value << "%";
    ui->progressBar->setValue(value);
}
