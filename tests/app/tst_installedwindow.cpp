#include "eventwait.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

// Drives an installed window from inside its own process. The library is
// preloaded into the program a package installed (scripts/check-linux-packages),
// so what runs is that program with the adapter library, programming tool and
// proxies it finds itself; this suite only works the controls, by their
// object names, as a user would. FELDMOOR_INSTALLED_TEST names the test to
// run; the program's exit code is the suite's result.
class InstalledWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void binJobWritesTheFlash();
    void missingToolIsReported();
    void englishWithoutTheTool();

private:
    template<typename T> T *find(const char *name)
    {
        return window ? window->findChild<T *>(name) : nullptr;
    }
    QStringList logLines() { return find<QPlainTextEdit>("plainTextEdit")->toPlainText().split('\n'); }
    QString buttonText() { return find<QPushButton>("pB_download")->text(); }
    void choose(const QString &part, int kind, const QString &file);

    QWidget *window = nullptr;
    QString bus;
};

void InstalledWindowTest::initTestCase()
{
    bus = qEnvironmentVariable("QB562_SIM_DIR");
    QVERIFY2(!bus.isEmpty(), "QB562_SIM_DIR is not set");
    QVERIFY(runEventLoopUntil([this] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->windowTitle() == "Feldmoor")
                window = top;
        }
        return window != nullptr;
    }, 10000));
    QVERIFY(find<QPushButton>("pB_download"));
    // Run under an English locale, the window must have found its English.
    const QString probed = qEnvironmentVariable("FELDMOOR_EXPECTED_LANGUAGE") == "en"
        ? QString("Device detected") : QString("设备已插入");
    QVERIFY(runEventLoopUntil([this, probed] {
        return find<QLineEdit>("lE_devInfo")->text().contains(probed);
    }, 10000));
}

void InstalledWindowTest::choose(const QString &part, int kind, const QString &file)
{
    find<QComboBox>("cbB_FPGAType")->setCurrentText(part);
    find<QComboBox>("cbB_fileType")->setCurrentIndex(kind);
    find<QLineEdit>("lE_downloadFile")->setText(file);
}

// The launcher's world: its board, its sample image, the installed tool.
void InstalledWindowTest::binJobWritesTheFlash()
{
    const QString sample = bus + "/sample_xc7k325t.bin";
    QFile image(sample);
    QVERIFY2(image.open(QIODevice::ReadOnly), qPrintable(sample));
    const QByteArray written = image.readAll();
    QVERIFY(!written.isEmpty());

    choose("xc7k325t", 1, sample);
    QSignalSpy progress(find<QProgressBar>("progressBar"), &QProgressBar::valueChanged);
    find<QPushButton>("pB_download")->click();
    QCOMPARE(buttonText(), QString("下载中"));
    QVERIFY(runEventLoopUntil([this] { return buttonText() == "下载"; }, 60000));

    const QStringList lines = logLines();
    QCOMPARE(lines.first(), QString("下载程序启动成功"));
    QCOMPARE(lines.mid(lines.size() - 2), QStringList({"BIN 文件下载完成.", "下载程序关闭成功"}));
    bool reachedEnd = false;
    for (const QList<QVariant> &args : progress)
        reachedEnd = reachedEnd || args.first().toInt() == 100;
    QVERIFY(reachedEnd);

    QFile flash(bus + "/adapter0/flash.bin");
    QVERIFY(flash.open(QIODevice::ReadOnly));
    QVERIFY(flash.read(written.size()) == written);
    QFile fpga(bus + "/adapter0/fpga");
    QVERIFY(fpga.open(QIODevice::ReadOnly));
    QVERIFY(fpga.readAll().split('\n').contains("source=flash"));
}

// Only the window installed, no tool beside it: the press is reported as a
// failed start, and the job's end leaves the window ready for the next.
void InstalledWindowTest::missingToolIsReported()
{
    choose("xc7k325t", 0, bus + "/top.bit");
    find<QPushButton>("pB_download")->click();
    QTRY_COMPARE(logLines().mid(logLines().size() - 2), QStringList({"下载程序启动失败", "下载程序关闭成功"}));
    QCOMPARE(buttonText(), QString("下载"));
}

// The same, started under an English locale: the program installed its
// English before it built the window.
void InstalledWindowTest::englishWithoutTheTool()
{
    QCOMPARE(find<QLineEdit>("lE_devInfo")->text(), QString("Device detected"));
    QCOMPARE(find<QPushButton>("pB_chooseFile")->text(), QString("Choose file"));
    QCOMPARE(buttonText(), QString("Download"));
    choose("xc7k325t", 0, bus + "/top.bit");
    find<QPushButton>("pB_download")->click();
    QTRY_COMPARE(logLines().mid(logLines().size() - 2),
                 QStringList({"Download tool failed to start", "Download tool closed"}));
    QCOMPARE(buttonText(), QString("Download"));
}

namespace {

// Runs while the program's QApplication is being made: the suite starts once
// its event loop runs, with the window shown.
void startSuite()
{
    // Children (the programming tool, pkill) run as they would without us.
    qunsetenv("LD_PRELOAD");
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        InstalledWindowTest suite;
        QStringList arguments{QCoreApplication::applicationFilePath()};
        const QString only = qEnvironmentVariable("FELDMOOR_INSTALLED_TEST");
        if (!only.isEmpty())
            arguments << only;
        QCoreApplication::exit(QTest::qExec(&suite, arguments));
    });
}

}

Q_COREAPP_STARTUP_FUNCTION(startSuite)

#include "tst_installedwindow.moc"
