#include "app/widget.h"
#include "download/commandcomposition.h"
#include "download/killcommand.h"
#include "fakerun.h"
#include "jobsuite.h"
#include "simulatedbus.h"
#include "windowinternals.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <memory>

#include <windows.h>

// What only Windows has: the window's job against the recording tool, with
// the program path, the kill command and the code page as Windows has them.
class WindowsJobTest : public JobSuite
{
    Q_OBJECT

public:
    explicit WindowsJobTest(const QString &bus) : JobSuite(bus) {}

private slots:
    void init();
    void cleanup();

    void programPathIsBesideTheApplication();
    void killCommandEndsAStrayTool();
    void killCommandReturnsWhenNoneRuns();
    void runEndEndsAToolStartedOutside();
    void typedWindowsPathIsEscaped();
    void outputDecodesFromTheAnsiCodePage();

private:
    // An openocd.exe the window knows nothing of, waiting to be killed.
    void startStray(QProcess &stray);

    std::unique_ptr<FakeRun> fake;
};

void WindowsJobTest::init()
{
    QVERIFY(QDir(bus).mkpath("adapter0"));
    fake = std::make_unique<FakeRun>();
    window = std::make_unique<Widget>();
    QVERIFY(WindowInternals::deviceConnected(*window));
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
}

void WindowsJobTest::cleanup()
{
    window.reset();
    fake.reset();
}

void WindowsJobTest::startStray(QProcess &stray)
{
    QFile plan(files.filePath("stray-plan"));
    QVERIFY(plan.open(QIODevice::WriteOnly));
    plan.write("hang\n");
    plan.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("FAKE_OPENOCD_PLAN", plan.fileName());
    environment.remove("FAKE_OPENOCD_ARGS");
    environment.remove("FAKE_OPENOCD_RUNS");
    stray.setProcessEnvironment(environment);
    stray.start(openocdProgramPath(QCoreApplication::applicationDirPath()), QStringList());
    QVERIFY(stray.waitForStarted(30000));
    QVERIFY(!stray.waitForFinished(300));
}

void WindowsJobTest::programPathIsBesideTheApplication()
{
    fake->plan({"exit 0"});
    press();
    QVERIFY(waitForIdle());
    // Forward slashes from Qt, then the part the window adds, Windows style.
    const QString expected = QCoreApplication::applicationDirPath() + "\\OpenOCD_QB562\\bin\\openocd.exe";
    QCOMPARE(process()->program(), expected);
    QCOMPARE(fake->starts(), 1);
}

void WindowsJobTest::killCommandEndsAStrayTool()
{
    QProcess stray;
    startStray(stray);
    const KillCommand kill = openocdKillCommand();
    QCOMPARE(kill.program, QString("cmd.exe"));
    QProcess killer;
    killer.start(kill.program, kill.arguments);
    QVERIFY(killer.waitForFinished(30000));
    QCOMPARE(killer.exitCode(), 0);
    QVERIFY(stray.waitForFinished(5000));
}

void WindowsJobTest::killCommandReturnsWhenNoneRuns()
{
    const KillCommand kill = openocdKillCommand();
    QElapsedTimer clock;
    clock.start();
    QProcess killer;
    killer.start(kill.program, kill.arguments);
    QVERIFY(killer.waitForFinished(30000));
    // taskkill's "not found"; the window ignores it either way.
    QCOMPARE(killer.exitCode(), 128);
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
}

void WindowsJobTest::runEndEndsAToolStartedOutside()
{
    QProcess stray;
    startStray(stray);
    fake->plan({"exit 0"});
    press();
    QVERIFY(waitForIdle());
    QCOMPARE(logLines().last(), QString("下载程序关闭成功"));
    // Ended at the run's end; the event loop may have seen it go already.
    QVERIFY(stray.state() == QProcess::NotRunning || stray.waitForFinished(5000));
    QCOMPARE(stray.exitStatus(), QProcess::NormalExit);
}

void WindowsJobTest::typedWindowsPathIsEscaped()
{
    // A real file at the path a Windows user types; C: is the Wine prefix's.
    const QString typed = "C:\\Users\\me\\my designs [v2]\\top.bin";
    QVERIFY(QDir().mkpath("C:/Users/me/my designs [v2]"));
    QFile file(typed);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\x5a'));
    file.close();

    fake->plan({"exit 0"});
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc7a35t");
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    find<QLineEdit>("lE_downloadFile")->setText(typed);
    press();
    QVERIFY(waitForIdle());
    QVERIFY(QDir("C:/Users/me/my designs [v2]").removeRecursively());

    // Every backslash doubled, blanks and brackets escaped: Tcl reads the
    // path back exactly as typed, with backslashes as separators.
    const QStringList arguments = fake->arguments();
    QVERIFY2(arguments.contains("jtagspi_program C:\\\\Users\\\\me\\\\my\\ designs\\ \\[v2\\]\\\\top.bin 0x0;"),
             qPrintable(arguments.join('\n')));
    DownloadRequest request{"xc7a35t", "10000000", FileKind::Bin, typed, QCoreApplication::applicationDirPath()};
    QCOMPARE(arguments, composeDownloadCommand(request).arguments);
}

void WindowsJobTest::outputDecodesFromTheAnsiCodePage()
{
    // The suite runs with a Chinese locale, whose ANSI code page is GBK:
    // "下载 完成" as the tool prints it there, in its 8-bit encoding.
    QCOMPARE(::GetACP(), UINT(936));
    fake->plan({"out \\xcf\\xc2\\xd4\\xd8 \\xcd\\xea\\xb3\\xc9\\r\\n", "sleep 0.05", "exit 0"});
    press();
    QVERIFY(waitForIdle());
    QCOMPARE(logLines().value(1), QString("下载 完成"));
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<WindowsJobTest>(argc, argv);
}

#include "tst_windowsjob.moc"
