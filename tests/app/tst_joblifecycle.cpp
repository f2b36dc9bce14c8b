#include "app/devicenotifycallback.h"
#include "app/widget.h"
#include "debuglog.h"
#include "jobsuite.h"
#include "recordedarguments.h"
#include "simulatedbus.h"
#include "eventwait.h"
#include "download/commandcomposition.h"
#include "fakerun.h"
#include "modalanswer.h"
#include "processcontrol.h"
#include "toolreads.h"
#include "windowinternals.h"

#include <QApplication>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <memory>
#include <thread>


// The window against a recording programming tool that plays back a plan:
// exact chunks, exit codes, crashes and hangs.
class JobLifecycleTest : public JobSuite
{
    Q_OBJECT

public:
    explicit JobLifecycleTest(const QString &bus) : JobSuite(bus) {}

private slots:
    void init();
    void cleanup();

    void bitRunFromPressToIdle();
    void binRunDrivesTheBar();
    void progressWithoutAFileSizeEmitsNothing();
    void failuresAreReportedAsFailures_data();
    void failuresAreReportedAsFailures();
    void endMessageFollowsTheRunNotTheComboBox();
    void pressesWhileRunningAreRefused();
    void unplugDuringARunWarnsAtItsEnd();
    void shortSectorChunkRestartsTheRun_data();
    void shortSectorChunkRestartsTheRun();
    void closingDuringARunKillsTheChildQuietly();
    void restartReportDuringTeardownIsIgnored();

    void restartRunsTheJobAsItStarted();
    void fileSizeIsTheOneAtTheJobsStart();
    void pressDuringAStatusReadIsRefusedAndStartsNothing();
    void stopEndsAFlashWriteAfterAsking();
    void stopEndsAStatusRead();

private:
    void waitForFile(const QString &path);

    std::unique_ptr<FakeRun> fake;
};

// Waits without running the event loop, so the window sees nothing meanwhile.
void JobLifecycleTest::waitForFile(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path) && clock.elapsed() < 5000)
        QThread::msleep(5);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QThread::msleep(50);
}

void JobLifecycleTest::init()
{
    QVERIFY(QDir(bus).mkpath("adapter0"));
    fake = std::make_unique<FakeRun>();
    window = std::make_unique<Widget>();
    QVERIFY(WindowInternals::deviceConnected(*window));
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
}

void JobLifecycleTest::cleanup()
{
    window.reset();
    fake.reset();
}

void JobLifecycleTest::bitRunFromPressToIdle()
{
    fake->plan({"out Info : loading top.bit\\n", "sleep 0.05", "exit 0"});
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc7a35t");
    DebugLog debug;
    press();
    QCOMPARE(buttonText(), QString("下载中"));
    QVERIFY(waitForIdle());

    QCOMPARE(logLines(), QStringList({"下载程序启动成功", "Info : loading top.bit", "BIT 文件下载完成.",
                                      "下载程序关闭成功"}));
    QCOMPARE(buttonText(), QString("下载"));
    QVERIFY(find<QProgressBar>("progressBar")->isHidden());
    QCOMPARE(fake->starts(), 1);

    DownloadRequest request{"xc7a35t", "10000000", FileKind::Bit, files.filePath("top.bit"),
                            QCoreApplication::applicationDirPath()};
    QCOMPARE(fake->arguments(), composeDownloadCommand(request).arguments);
    QCOMPARE(process()->program(), openocdProgramPath(QCoreApplication::applicationDirPath()));

    const QStringList lines = debug.lines();
    QVERIFY(lines.first().contains("程序启动成功"));
    QVERIFY(lines.first().contains("Running") || lines.first().contains("Starting"));
    QVERIFY(lines.last().contains("程序关闭成功") && lines.last().contains("NotRunning"));
}

void JobLifecycleTest::binRunDrivesTheBar()
{
    QFile image(files.filePath("top.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(4096, '\x5a'));
    image.close();
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    find<QLineEdit>("lE_downloadFile")->setText(image.fileName());
    QCOMPARE(WindowInternals::downloadFileSize(*window), 4096u);

    // The tool's sleeps keep its writes at least this far apart.
    const std::chrono::milliseconds gap(50);
    QStringList steps;
    for (const char *chunk : {"0x00000400", "0x00000A80", "0x00000FFF", "0x00001000", "0x00002000", "0xZZ"})
        steps << QString("out %1\\r\\n").arg(chunk) << "sleep 0.05";
    steps << "exit 0";
    fake->plan(steps);

    QProgressBar *bar = find<QProgressBar>("progressBar");
    QSignalSpy emitted(window.get(), &Widget::progressValue);
    QSignalSpy shown(bar, &QProgressBar::valueChanged);
    DebugLog debug;
    // Each report must reach the window alone to count; a run in which the
    // window was kept from reading for longer than the gap proves nothing
    // either way and is repeated.
    for (int attempt = 1;; ++attempt) {
        emitted.clear();
        shown.clear();
        debug.clear();
        ToolReads reads(process(), gap);
        press();
        QVERIFY(!bar->isHidden());
        QVERIFY(waitForIdle());
        QVERIFY2(reads.tooClose().isEmpty(), qPrintable(reads.tooClose().join('\n')));
        if (reads.late() == 0)
            break;
        if (attempt == 3)
            QSKIP("the window was kept from reading its tool's output in every attempt");
        qInfo("the window was late to read %d times; running again", reads.late());
        find<QPlainTextEdit>("plainTextEdit")->clear();
    }

    QList<int> values;
    for (const QList<QVariant> &args : emitted)
        values << args.first().toInt();
    QCOMPARE(values, QList<int>({25, 65, 99, 100, 200, 0}));
    values.clear();
    for (const QList<QVariant> &args : shown)
        values << args.first().toInt();
    // 200 is out of range and leaves the bar at 100; the reset brings it to 0.
    QCOMPARE(values, QList<int>({25, 65, 99, 100, 0}));
    QCOMPARE(debug.count("flash:"), 6);

    // Progress reports never reach the log pane. The chain probe before the
    // write found nothing it could read (this tool is not OpenOCD), said so,
    // and let the job go on.
    QCOMPARE(logLines(), QStringList({"器件检查: 未能读取 JTAG 链上的器件, 继续下载", "下载程序启动成功",
                                      "BIN 文件下载完成.", "下载程序关闭成功"}));
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 0);
}

void JobLifecycleTest::progressWithoutAFileSizeEmitsNothing()
{
    fake->plan({"out 0x00000400\\r\\n", "sleep 0.05", "exit 0"});
    QSignalSpy emitted(window.get(), &Widget::progressValue);
    press();
    QVERIFY(waitForIdle());
    QCOMPARE(emitted.size(), 0);
    QCOMPARE(logLines(), QStringList({"下载程序启动成功", "BIT 文件下载完成.", "下载程序关闭成功"}));
}

void JobLifecycleTest::failuresAreReportedAsFailures_data()
{
    QTest::addColumn<QStringList>("plan");
    QTest::addColumn<QString>("report");
    QTest::newRow("exit 1") << QStringList({"out Error: no device found\\n", "exit 1"})
                            << "下载失败 (退出码 1)";
    QTest::newRow("exit 255") << QStringList({"exit 255"}) << "下载失败 (退出码 255)";
    QTest::newRow("crash") << QStringList({"out Info : about to fall over\\n", "sleep 0.05", "crash"})
                           << "下载失败 (程序异常退出)";
}

void JobLifecycleTest::failuresAreReportedAsFailures()
{
    QFETCH(QStringList, plan);
    QFETCH(QString, report);
    fake->plan(plan);
    press();
    QVERIFY(waitForIdle());
    const QStringList lines = logLines();
    QCOMPARE(lines.size() >= 3, true);
    QCOMPARE(lines.at(lines.size() - 2), report);
    QCOMPARE(lines.last(), QString("下载程序关闭成功"));
    QVERIFY(!lines.join('\n').contains("文件下载完成"));
}

void JobLifecycleTest::endMessageFollowsTheRunNotTheComboBox()
{
    fake->plan({"sleep 0.3", "exit 0"});
    press();
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    QVERIFY(waitForIdle());
    QVERIFY(logLines().contains("BIT 文件下载完成."));
}

void JobLifecycleTest::pressesWhileRunningAreRefused()
{
    fake->plan({"hang"});
    press();
    QVERIFY(fake->waitForStarts(1));
    QVERIFY(runEventLoopUntil([this] { return logLines().contains("下载程序启动成功"); }));
    QCOMPARE(process()->state(), QProcess::Running);
    const qint64 pid = process()->processId();

    DebugLog debug;
    press();
    press();
    QCOMPARE(logLines(), QStringList({"下载程序启动成功", "请等待程序运行结束...", "请等待程序运行结束..."}));
    QCOMPARE(debug.count("程序关闭失败"), 2);
    QVERIFY(debug.lines().first().contains("Running"));
    QCOMPARE(process()->state(), QProcess::Running);
    QCOMPARE(process()->processId(), pid);
    QCOMPARE(buttonText(), QString("下载中"));
    QCOMPARE(fake->starts(), 1);

    killFromOutside(pid);
    QVERIFY(waitForIdle());
    QCOMPARE(logLines().mid(3), QStringList({"下载失败 (程序异常退出)", "下载程序关闭成功"}));
}

void JobLifecycleTest::unplugDuringARunWarnsAtItsEnd()
{
    fake->plan({"sleep 0.3", "exit 0"});
    press();
    std::thread([] { deviceNotifyCallback(0); }).join();

    SeenBox box;
    answerNextMessageBox(box, "Yes");
    QTRY_VERIFY_WITH_TIMEOUT(box.shown, 5000);
    QCOMPARE(box.text, QString("Please check the devices status."));
    QTRY_COMPARE(process()->state(), QProcess::NotRunning);
    // The job is over and said so: the window is ready for the next one.
    QCOMPARE(buttonText(), QString("下载"));
    QVERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(logLines().mid(logLines().size() - 2), QStringList({"BIT 文件下载完成.", "下载程序关闭成功"}));

    std::thread([] { deviceNotifyCallback(3); }).join();
    fake->plan({"exit 0"});
    press();
    QCOMPARE(buttonText(), QString("下载中"));
    QVERIFY(waitForIdle());
    QCOMPARE(fake->starts(), 2);
    QCOMPARE(buttonText(), QString("下载"));
}

void JobLifecycleTest::shortSectorChunkRestartsTheRun_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<bool>("restarts");
    // Chunks are written as printf formats; lengths count the CR LF.
    QTest::newRow("27 bytes, sector at 5") << "Warn: sector 0 took 3ms..\\r\\n" << true;
    QTest::newRow("28 bytes, sector at 5") << "Warn: sector 0 took 3ms...\\r\\n" << false;
    QTest::newRow("sector at 1") << "1sector 0\\r\\n" << true;
    QTest::newRow("sector at 0") << "sector 0 took 3ms\\r\\n" << false;
}

void JobLifecycleTest::shortSectorChunkRestartsTheRun()
{
    QFETCH(QString, chunk);
    QFETCH(bool, restarts);
    const QString mark = files.filePath("reported");
    const QString held = files.filePath("held");
    QFile::remove(mark);
    QFile::remove(held);
    // A run that is to be restarted waits for the window's kill, however
    // long the window takes to read the report; the next run just ends.
    QStringList plan{(restarts ? "oncehang " : "once ") + mark + " " + chunk};
    plan << "exit 0";
    fake->plan(plan);
    DebugLog debug;
    press();
    QVERIFY(waitForIdle());

    const QString text = QString(chunk).replace("\\r\\n", "").simplified();
    QCOMPARE(fake->starts(), restarts ? 2 : 1);
    QCOMPARE(debug.count("擦除小于10ms，重新开始"), restarts ? 1 : 0);
    // After a restart the pane was cleared, so either way it reads: a run's
    // start, the report, that run's end.
    QCOMPARE(logLines(), QStringList({"下载程序启动成功", text, "BIT 文件下载完成.", "下载程序关闭成功"}));
    QCOMPARE(buttonText(), QString("下载"));
}

void JobLifecycleTest::closingDuringARunKillsTheChildQuietly()
{
    fake->plan({"hang"});
    press();
    QVERIFY(fake->waitForStarts(1));
    const qint64 pid = process()->processId();
    QVERIFY(pid > 0);
    bool boxOpened = false;
    forbidModalWindows(500, boxOpened);
    window.reset();
    QCOMPARE(widgetInstance.load(), nullptr);
    QVERIFY(!processExists(pid));
    QTest::qWait(500);
    QVERIFY(!boxOpened);
    QCOMPARE(fake->starts(), 1);
}

void JobLifecycleTest::restartReportDuringTeardownIsIgnored()
{
    const QString written = files.filePath("written");
    fake->plan({"out Warn: sector 0 took 3ms\\r\\n", "touch " + written, "hang"});
    press();
    waitForFile(written);
    // The report is still unread; the destructor's kill delivers it.
    bool boxOpened = false;
    forbidModalWindows(500, boxOpened);
    window.reset();
    QTest::qWait(500);
    QVERIFY(!boxOpened);
    QCOMPARE(fake->starts(), 1);
}

void JobLifecycleTest::restartRunsTheJobAsItStarted()
{
    QFile image(files.filePath("top.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(4096, '\x5a'));
    image.close();
    QFile other(files.filePath("other.bin"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(8192, '\x11'));
    other.close();
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc7a35t");
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    find<QLineEdit>("lE_downloadFile")->setText(image.fileName());
    const DownloadRequest started{"xc7a35t", "10000000", FileKind::Bin, image.fileName(),
                                  QCoreApplication::applicationDirPath()};

    // The first run reports a too-fast erase and waits for its end; the
    // form is changed as soon as the job has started, before the restart.
    const QString mark = files.filePath("erase-reported");
    QFile::remove(mark);
    fake->plan({"oncehang " + mark + " Warn: sector 0 took 3ms..\\r\\n", "exit 0"});
    DebugLog debug;
    press();
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc6slx9");
    find<QComboBox>("cbB_clock")->setCurrentText("15000000");
    find<QLineEdit>("lE_downloadFile")->setText(other.fileName());
    find<QComboBox>("cbB_fileType")->setCurrentIndex(0);
    QVERIFY(waitForIdle());

    QCOMPARE(fake->starts(), 2);
    QCOMPARE(debug.count("擦除小于10ms，重新开始"), 1);
    QCOMPARE(fake->arguments(), composeDownloadCommand(started).arguments);
    QCOMPARE(logLines().mid(logLines().size() - 2), QStringList({"BIN 文件下载完成.", "下载程序关闭成功"}));

    // The edit is the next job's.
    fake->plan({"exit 0"});
    press();
    QVERIFY(waitForIdle());
    const DownloadRequest edited{"xc6slx9", "15000000", FileKind::Bit, other.fileName(),
                                 QCoreApplication::applicationDirPath()};
    QCOMPARE(fake->arguments(), composeDownloadCommand(edited).arguments);
}

void JobLifecycleTest::fileSizeIsTheOneAtTheJobsStart()
{
    QFile small(files.filePath("small.bin"));
    QVERIFY(small.open(QIODevice::WriteOnly));
    small.write(QByteArray(1024, '\x5a'));
    small.close();
    QFile image(files.filePath("top.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(4096, '\x5a'));
    image.close();
    // The size the field last took is the small file's: the path of the
    // job's file was typed while "BIT" was chosen.
    QComboBox *kind = find<QComboBox>("cbB_fileType");
    QLineEdit *field = find<QLineEdit>("lE_downloadFile");
    kind->setCurrentIndex(1);
    field->setText(small.fileName());
    kind->setCurrentIndex(0);
    field->setText(image.fileName());
    kind->setCurrentIndex(1);
    QCOMPARE(WindowInternals::downloadFileSize(*window), 1024u);

    const QString typed = files.filePath("typed");
    fake->plan({"touch " + typed, "sleep 0.3", "out 0x00000800\\r\\n", "sleep 0.05", "exit 0"});
    QSignalSpy emitted(window.get(), &Widget::progressValue);
    press();
    // An edit during the job is the next job's, its size too.
    QVERIFY(runEventLoopUntil([&] { return QFile::exists(typed); }));
    field->setText(small.fileName());
    QVERIFY(waitForIdle());
    QCOMPARE(emitted.size(), 1);
    QCOMPARE(emitted.first().first().toInt(), 50);
}

void JobLifecycleTest::pressDuringAStatusReadIsRefusedAndStartsNothing()
{
    // The status read after the run takes a while; a press meanwhile must
    // be answered then, not kept for after the job's end.
    const QString checks = files.filePath("checks");
    qputenv("FAKE_OPENOCD_CHECKS", checks.toLocal8Bit());
    qputenv("FAKE_OPENOCD_CHECK_SLEEP", "1");
    fake->plan({"exit 0"});
    QTimer presser;
    int pressed = 0;
    connect(&presser, &QTimer::timeout, [&] {
        if (pressed == 0 && QFile::exists(checks)) {
            ++pressed;
            find<QPushButton>("pB_download")->click();
        }
    });
    presser.start(5);
    press();
    const bool idle = waitForIdle();
    presser.stop();
    qunsetenv("FAKE_OPENOCD_CHECKS");
    qunsetenv("FAKE_OPENOCD_CHECK_SLEEP");
    QVERIFY(idle);
    QCOMPARE(pressed, 1);
    QCOMPARE(logLines(), QStringList({"下载程序启动成功", "请等待程序运行结束...", "BIT 文件下载完成.", "下载程序关闭成功"}));
    // Nothing starts on its own after the job's last line.
    QTest::qWait(300);
    QVERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(fake->starts(), 1);
    QCOMPARE(buttonText(), QString("下载"));
}

void JobLifecycleTest::stopEndsAFlashWriteAfterAsking()
{
    QAction *stop = find<QPushButton>("pB_flash")->menu()->actions().value(0);
    QVERIFY(stop);
    QCOMPARE(stop->text(), QString("停止"));
    QVERIFY(!stop->isEnabled());

    QFile image(files.filePath("top.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(4096, '\x5a'));
    image.close();
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    find<QLineEdit>("lE_downloadFile")->setText(image.fileName());
    fake->plan({"hang"});
    press();
    QVERIFY(stop->isEnabled());
    QVERIFY(runEventLoopUntil([this] { return logLines().contains("下载程序启动成功"); }));
    // Under Wine the tool may not have begun yet when the window says it
    // started: the stop must meet a run that is under way.
    QVERIFY(runEventLoopUntil([this] { return fake->starts() == 1; }));
    const qint64 pid = process()->processId();

    // No, the default, leaves the job running.
    SeenBox asked;
    answerNextMessageBox(asked, "No");
    stop->trigger();
    QVERIFY(asked.shown);
    QCOMPARE(asked.defaultButton, QString("No"));
    QCOMPARE(asked.buttons, QStringList({"Yes", "No"}));
    QTest::qWait(100);
    QCOMPARE(process()->state(), QProcess::Running);
    QVERIFY(WindowInternals::isDownloading(*window));

    SeenBox yes;
    answerNextMessageBox(yes, "Yes");
    stop->trigger();
    QVERIFY(yes.shown);
    QVERIFY(waitForIdle());
    QVERIFY(!processExists(pid));
    QCOMPARE(logLines().mid(logLines().size() - 2),
             QStringList({"下载已停止: 写入被中断, flash 中可能只有文件的一部分或已被擦除, 请重新下载", "下载程序关闭成功"}));
    QCOMPARE(buttonText(), QString("下载"));
    QVERIFY(!stop->isEnabled());
    QCOMPARE(fake->starts(), 1);
}

void JobLifecycleTest::stopEndsAStatusRead()
{
    const QString checks = files.filePath("stop-checks");
    QFile::remove(checks);
    qputenv("FAKE_OPENOCD_CHECKS", checks.toLocal8Bit());
    qputenv("FAKE_OPENOCD_CHECK_SLEEP", "20");
    fake->plan({"exit 0"});
    QAction *stop = find<QPushButton>("pB_flash")->menu()->actions().value(0);
    press();
    const bool reading = runEventLoopUntil([&] { return QFile::exists(checks); });
    qunsetenv("FAKE_OPENOCD_CHECKS");
    qunsetenv("FAKE_OPENOCD_CHECK_SLEEP");
    QVERIFY(reading);
    SeenBox yes;
    answerNextMessageBox(yes, "Yes");
    QElapsedTimer clock;
    clock.start();
    stop->trigger();
    QVERIFY(waitForIdle(10000));
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(logLines(), QStringList({"下载程序启动成功", "下载已停止; DONE 未检查", "下载程序关闭成功"}));
    QCOMPARE(buttonText(), QString("下载"));
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<JobLifecycleTest>(argc, argv);
}

#include "tst_joblifecycle.moc"
