#include "app/widget.h"
#include "ui_widget.h"

#include "app/devicenotifycallback.h"
#include "adapter/qb562.h"

#include "app/singlebuttonbox.h"

#include "feldmoor/projectfacts.h"

#include <QProcess>

std::atomic<Widget *> widgetInstance{nullptr};

Widget::Widget(QWidget *parent)
    : QWidget(parent)
    , isDownloading(false)
    , downloadFileSize(0)
    , downloadProcess(nullptr)
    , deviceConnected(false)
    , ui(new Ui::Widget)
{
    ui->setupUi(this);
    widgetInstance.store(this);

    connect(this, SIGNAL(plugInfo(ULONG)), this, SLOT(plugInfoSlot(ULONG)));

    isDownloading = false;

    initFpgaTypeList();
    initClockList();
    scanAdapters();

    lastDir = "d:/";

    ui->progressBar->hide();

    connect(this, SIGNAL(progressValue(int)), this, SLOT(changeProcessValue(int)));

    downloadProcess = new QProcess;
    connect(downloadProcess, &QProcess::readyReadStandardOutput, this, &Widget::softOutPut);
    connect(downloadProcess, &QProcess::finished, this, &Widget::softFinished);
    downloadProcess->setProcessChannelMode(QProcess::MergedChannels);

    // Last, so that everything a notification touches is already in place.
    QB562SetDeviceNotify(0, "VID_1A86&PID_55D", deviceNotifyCallback);
}

Widget::~Widget()
{
    tearingDown = true;
    if (downloadProcess) {
        downloadProcess->kill();
        // Let the killed run's last output and its end reach the window now,
        // while the form still exists, rather than from inside ~QProcess.
        downloadProcess->waitForFinished();
        delete downloadProcess;
        downloadProcess = nullptr;
    }

    widgetInstance.store(nullptr);
    // A notification that read the pointer just before it was cleared may
    // still be emitting on this window; it must finish before the form goes.
    waitForDeviceNotifications();

    delete ui;
}

void Widget::on_pushButton_clicked()
{
    ui->plainTextEdit->clear();
}

void Widget::on_pushButton_2_clicked()
{
    showSingleButtonBox(this, QMessageBox::Information, "Feldmoor", QString("Feldmoor\r\nVersion : ") + feldmoor::kVersion, "Ok");
}
