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

    // A report that reaches a run already being ended (for a restart, for
    // good, or by the window's teardown) starts nothing more.
    bool restartsHere = false;
    if (isEraseRestartChunk(chunk) && !tearingDown && stopReason.isEmpty() && !restartDue
        && isDownloading && !toolEnder) {
        if (restartCount < engine::kDefaultRestarts) {
            ++restartCount;
            // The run ends, and its end starts the job's run again; the
            // report shows under the new run's start line.
            restartDue = true;
            restartsHere = true;
            restartReport = logText;
            downloadProcess->end();
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
        // No percentage exists before the job's file has a size; the size is
        // the one the job started with.
        if (const auto percent = progressPercent(progressBytes(chunk), job.progressSize())) {
            qDebug() << "flash:" << percent->exact;
            emit progressValue(percent->whole);
        }
    } else if (!restartsHere) {
        ui->plainTextEdit->appendPlainText(logText);
    }
}

void Widget::changeProcessValue(int value)
{
    qDebug() << value << "%";
    ui->progressBar->setValue(value);
}
