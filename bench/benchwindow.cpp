#include "benchwindow.h"

#include "feedchunks.h"
#include "windowinternals.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

BenchWindow::BenchWindow(const QString &imagePath)
    : window(std::make_unique<Widget>())
{
    window->findChild<QComboBox *>("cbB_fileType")->setCurrentIndex(1);
    window->findChild<QLineEdit *>("lE_downloadFile")->setText(imagePath);
    window->show();
}

BenchWindow::~BenchWindow() = default;

QString BenchWindow::problem() const
{
    if (!WindowInternals::deviceConnected(*window))
        return "the window sees no adapter (QB562_SIM_DIR/adapter0)";
    if (WindowInternals::downloadFileSize(*window) != progressImageBytes)
        return QString("the window took the image for %1 bytes, not %2")
            .arg(WindowInternals::downloadFileSize(*window))
            .arg(progressImageBytes);
    return {};
}

bool BenchWindow::run(const FeedPlan &plan, int limitMs)
{
    qputenv(feedVariable, QByteArray::fromStdString(encodeFeedPlan(plan)));
    button()->click();
    return waitForIdle(limitMs);
}

bool BenchWindow::childExitedCleanly() const
{
    return process()->exitStatus() == QProcess::NormalExit && process()->exitCode() == 0;
}

std::string BenchWindow::childEnding() const
{
    if (process()->exitStatus() != QProcess::NormalExit)
        return "killed or crashed";
    return "exit code " + std::to_string(process()->exitCode());
}

void BenchWindow::setShown(bool shown)
{
    window->setVisible(shown);
}

bool BenchWindow::waitForIdle(int limitMs)
{
    // Polled: the figures are stamped inside the window's own calls, so how
    // soon this loop notices the end does not enter them.
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!WindowInternals::isDownloading(*window) || clock.elapsed() > limitMs)
            loop.quit();
    });
    poll.start(10);
    if (WindowInternals::isDownloading(*window))
        loop.exec();
    return !WindowInternals::isDownloading(*window);
}

QProcess *BenchWindow::process() const
{
    return WindowInternals::downloadProcess(*window);
}

QPlainTextEdit *BenchWindow::pane() const
{
    return window->findChild<QPlainTextEdit *>("plainTextEdit");
}

QProgressBar *BenchWindow::bar() const
{
    return window->findChild<QProgressBar *>("progressBar");
}

QPushButton *BenchWindow::button() const
{
    return window->findChild<QPushButton *>("pB_download");
}
