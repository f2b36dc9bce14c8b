#include "app/widget.h"
#include "ui_widget.h"

#include "download/outputchunk.h"
#include "download/progresspercent.h"
#include "engine/jobrequest.h"
#include "engine/toolrun.h"

#include <QDebug>

void Widget::softOutPut()
{
    const QByteArray chunk = downloadProcess->readChunk();
    const QString logText = chunkLogText(chunk);
    qDebug() << "Debug:" << chunk;
    runOutput += QString::fromLocal8Bit(chunk);

    // A report delivered inside a completion procedure's waits belongs to the
    // run being ended, and one delivered during teardown to a window that is
    // going away: restarting from either would nest a second completion or
    // start a run on a dying process object. Nor does a run the window is
    // already ending for good start again.
    if (isEraseRestartChunk(chunk) && completionDepth == 0 && !tearingDown && stopReason.isEmpty()) {
        if (restartCount < engine::kDefaultRestarts) {
            ++restartCount;
            restarting = true;
            softFinished();
            isDownloading = false;
            qDebug() << "擦除小于10ms，重新开始";
            ui->plainTextEdit->clear();
            on_pB_download_clicked();
            restarting = false;
        } else {
            // A flash that always finishes an erase too fast (write-protected,
            // or not answering) would restart the job for ever. Its end comes
            // as any run's end does, and says why.
            stopReason = tr("下载失败 (flash 扇区擦除又一次短于 10 ms, 已重新开始 %1 次: 请检查 flash 芯片及其写保护)")
                             .arg(restartCount);
            downloadProcess->end();
        }
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
