#include "app/widget.h"
#include "ui_widget.h"

#include "download/filekind.h"

#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void Widget::on_pB_chooseFile_clicked()
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Choose the download file."),
                                                      lastDir, QString());
    if (name.isEmpty()) {
        QMessageBox::warning(this, "Feldmoor", "Please choose the download file.",
                             QMessageBox::Ok);
        return;
    }

    if (fileKindFromIndex(ui->cbB_fileType->currentIndex()) == FileKind::Bin) {
        downloadFileSize = static_cast<std::uint32_t>(QFileInfo(name).size());
        qDebug() << "BIN文件大小：" << downloadFileSize;
    }

    ui->lE_downloadFile->setText(name);

    lastDir = name.left(name.lastIndexOf('/'));
    qDebug() << lastDir;
}

void Widget::on_lE_downloadFile_textChanged(const QString &arg1)
{
    Q_UNUSED(arg1);
    if (fileKindFromIndex(ui->cbB_fileType->currentIndex()) == FileKind::Bin)
        downloadFileSize = static_cast<std::uint32_t>(QFileInfo(ui->lE_downloadFile->text()).size());
}

void Widget::on_cbB_fileType_currentIndexChanged(int index)
{
    if (fileKindFromIndex(index) == FileKind::Bin)
        ui->progressBar->show();
    else
        ui->progressBar->hide();
}
