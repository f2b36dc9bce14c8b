#include "app/widget.h"
#include "ui_widget.h"

#include <QDebug>

// The runner judges each read of the download's output (progress, a
// too-fast erase, the text for the pane); the raw bytes go to the debug
// output as they came.
void Widget::softOutPut()
{
    qDebug() << "Debug:" << toolChunk;
}

void Widget::changeProcessValue(int value)
{
    qDebug() << value << "%";
    ui->progressBar->setValue(value);
}
