#include "app/widget.h"
#include "ui_widget.h"

#include "app/devicenotifycallback.h"
#include "adapter/qb562.h"

#include "app/singlebuttonbox.h"
#include "app/windowjobobserver.h"

#include "feldmoor/projectfacts.h"

#include "engine/jobrunner.h"
#include "engine/scratchfile.h"
#include "engine/toolrun.h"

#include <QAction>
#include <QMenu>
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
    // The adapter choice shows only while several adapters are attached.
    ui->cbB_adapter->hide();
    widgetInstance.store(this);

    connect(this, SIGNAL(plugInfo(ULONG)), this, SLOT(plugInfoSlot(ULONG)));

    isDownloading = false;

    initFpgaTypeList();
    initClockList();
    scanAdapters();

    lastDir = "d:/";

    ui->progressBar->hide();

    connect(this, SIGNAL(progressValue(int)), this, SLOT(changeProcessValue(int)));

    // The download's tool: the engine's runner drives it, through the
    // engine's ToolRun, which merges its channels and hands over each read
    // as it comes.
    downloadProcess = new engine::ToolRun;
    connect(downloadProcess->process(), &QProcess::started, this, &Widget::runStarted);

    buildFlashMenu();

    // Last, so that everything a notification touches is already in place.
    QB562SetDeviceNotify(0, "VID_1A86&PID_55D", deviceNotifyCallback);
}

Widget::~Widget()
{
    tearingDown = true;
    // Closing the window ends the job wherever it is: a check run, the run
    // itself, the ending of the tools after it. The runner kills the tools it
    // made as it goes, and reports nothing more.
    if (jobRunner) {
        QObject::disconnect(jobRunner, nullptr, this, nullptr);
        delete jobRunner;
        jobRunner = nullptr;
    }
    if (downloadProcess) {
        const bool running = downloadProcess->running();
        downloadProcess->end();
        downloadProcess->waitForFinished(processWaitMs);
        delete downloadProcess;
        downloadProcess = nullptr;
        // The window's last run ends here and now, with every programming
        // tool it may have left behind.
        if (running)
            endToolsNow();
    }
    if (toolEnder) {
        QObject::disconnect(toolEnder, nullptr, this, nullptr);
        toolEnder->waitForFinished(processWaitMs);
        delete toolEnder;
        toolEnder = nullptr;
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
