#include "app/widget.h"
#include "download/commandcomposition.h"
#include "jobsuite.h"
#include "recordedarguments.h"
#include "simulatedbus.h"
#include "windowinternals.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

// A path as a Windows user types it, through the window and the programming
// tool stand-in into the simulated flash: backslashes must reach the tool as
// path separators, never as Tcl escapes.
class WindowsEndToEndTest : public JobSuite
{
    Q_OBJECT

public:
    explicit WindowsEndToEndTest(const QString &bus) : JobSuite(bus) {}

private slots:
    void typedWindowsPathReachesTheFlash();
};

void WindowsEndToEndTest::typedWindowsPathReachesTheFlash()
{
    QVERIFY(QDir(bus).mkpath("adapter0"));
    qputenv("QB562_SIM_ARGS_LOG", files.filePath("args").toLocal8Bit());
    // C: is the Wine prefix's drive, so the typed path names a real file.
    const QString folder = "C:/Users/me/my designs [v2]";
    const QString typed = "C:\\Users\\me\\my designs [v2]\\top.bin";
    QVERIFY(QDir().mkpath(folder));
    // A bitstream the board's FPGA starts from, its frames new noise each
    // run, so that only this run's write can leave them in the flash.
    const QString seed = QString::number(QRandomGenerator::global()->bounded(1u << 30));
    QCOMPARE(QProcess::execute(QCoreApplication::applicationDirPath() + "/simbit",
                               {"bin", typed, "--size", QString::number(64 * 1024 + 7), "--seed", seed, "--part",
                                "xc7k325t"}),
             0);
    QFile file(typed);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray image = file.readAll();
    file.close();

    window = std::make_unique<Widget>();
    QVERIFY(WindowInternals::deviceConnected(*window));
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc7k325t");
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    find<QLineEdit>("lE_downloadFile")->setText(typed);
    press();
    const bool idle = waitForIdle();
    QDir(folder).removeRecursively();
    QVERIFY(idle);
    QVERIFY2(logLines().contains("BIN 文件下载完成."), qPrintable(logLines().join('\n')));

    // The job's own run: the status read after it replaces the simulator's
    // argument log; the flash below shows what the child was given.
    const QStringList received = WindowInternals::downloadProcess(*window)->arguments();
    QVERIFY2(received.contains("jtagspi_program C:\\\\Users\\\\me\\\\my\\ designs\\ \\[v2\\]\\\\top.bin 0x0;"),
             qPrintable(received.join('\n')));
    DownloadRequest request{"xc7k325t", find<QComboBox>("cbB_clock")->currentText(), FileKind::Bin, typed,
                            QCoreApplication::applicationDirPath()};
    QCOMPARE(received, composeDownloadCommand(request).arguments);

    QFile flash(bus + "/adapter0/flash.bin");
    QVERIFY(flash.open(QIODevice::ReadOnly));
    QVERIFY(flash.read(image.size()) == image);
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<WindowsEndToEndTest>(argc, argv);
}

#include "tst_windowsendtoend.moc"
