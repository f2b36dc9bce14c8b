#include "app/devicenotifycallback.h"
#include "app/widget.h"
#include "debuglog.h"
#include "simulatedbus.h"
#include "download/commandcomposition.h"
#include "modalanswer.h"
#include "windowinternals.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// These suites run where no programming tool is installed beside them, so a
// started job always fails to start; what matters here is the window's side.
class DownloadTest : public QObject
{
    Q_OBJECT

public:
    explicit DownloadTest(const QString &bus) : bus(bus) {}

private slots:
    void init();
    void cleanup();

    void metaObjectTable();

    void choosingAFileRemembersItsFolder();
    void cancellingTheDialogWarnsAndKeepsEverything();
    void binSizeFollowsTheFieldText();
    void fileKindShowsAndHidesTheBar();
    void sizeKeepsTheLow32Bits();

    void withoutAdapterEveryPressOnlyWarns();
    void missingToolEndsTheJob();
    void emptyPathAnsweredNoCancels();
    void emptyPathAnsweredYesChoosesAFile();
    void emptyPathAnsweredYesThenCancelledStartsNothing();
    void unknownFamilyIsReportedAndTheJobGoesOn();
    void binJobShowsTheBar();

private:
    template<typename T> T *find(const char *name) { return window->findChild<T *>(name); }
    QString log() { return find<QPlainTextEdit>("plainTextEdit")->toPlainText(); }
    QString buttonText() { return find<QPushButton>("pB_download")->text(); }
    void press() { find<QPushButton>("pB_download")->click(); }

    QString bus;
    QTemporaryDir files;
    std::unique_ptr<Widget> window;
};

void DownloadTest::init()
{
    QVERIFY(QDir(bus).mkpath("adapter0"));
    window = std::make_unique<Widget>();
    QVERIFY(WindowInternals::deviceConnected(*window));
}

void DownloadTest::cleanup()
{
    window.reset();
}

void DownloadTest::metaObjectTable()
{
    const QMetaObject *meta = window->metaObject();
    QCOMPARE(meta->className(), "Widget");
    QCOMPARE(meta->superClass(), &QWidget::staticMetaObject);

    struct Expected { const char *signature; QMetaMethod::MethodType type; QMetaMethod::Access access; };
    const Expected table[] = {
        {"plugInfo(ULONG)", QMetaMethod::Signal, QMetaMethod::Public},
        {"progressValue(int)", QMetaMethod::Signal, QMetaMethod::Public},
        {"on_pB_chooseFile_clicked()", QMetaMethod::Slot, QMetaMethod::Private},
        {"on_pB_download_clicked()", QMetaMethod::Slot, QMetaMethod::Private},
        {"on_pushButton_clicked()", QMetaMethod::Slot, QMetaMethod::Private},
        {"on_cbB_fileType_currentIndexChanged(int)", QMetaMethod::Slot, QMetaMethod::Private},
        {"on_lE_downloadFile_textChanged(QString)", QMetaMethod::Slot, QMetaMethod::Private},
        {"on_pushButton_2_clicked()", QMetaMethod::Slot, QMetaMethod::Private},
        {"softOutPut()", QMetaMethod::Slot, QMetaMethod::Public},
        {"softFinished()", QMetaMethod::Slot, QMetaMethod::Public},
        {"plugInfoSlot(ULONG)", QMetaMethod::Slot, QMetaMethod::Public},
        {"changeProcessValue(int)", QMetaMethod::Slot, QMetaMethod::Public},
    };
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 12);
    for (int i = 0; i < 12; ++i) {
        const QMetaMethod method = meta->method(meta->methodOffset() + i);
        QCOMPARE(method.methodSignature(), QByteArray(table[i].signature));
        QCOMPARE(method.methodType(), table[i].type);
        QCOMPARE(method.access(), table[i].access);
    }
    const QMetaMethod plug = meta->method(meta->methodOffset());
    QCOMPARE(plug.parameterNames(), QList<QByteArray>({"iEventStatus"}));
}

void DownloadTest::choosingAFileRemembersItsFolder()
{
    QVERIFY(QDir(files.path()).mkpath("fpga"));
    const QString chosen = files.path() + "/fpga/top.bit";
    QFile(chosen).open(QIODevice::WriteOnly);

    WindowInternals::setLastDir(*window, files.path());
    QString startDir;
    answerNextFileDialog(startDir, chosen);
    find<QPushButton>("pB_chooseFile")->click();
    QCOMPARE(startDir, files.path());
    QCOMPARE(find<QLineEdit>("lE_downloadFile")->text(), chosen);
    QCOMPARE(WindowInternals::lastDir(*window), files.path() + "/fpga");
    // "BIT" is selected: the size is not taken.
    QCOMPARE(WindowInternals::downloadFileSize(*window), 0u);

    answerNextFileDialog(startDir, QString());
    SeenBox box;
    answerNextMessageBox(box, "OK");
    find<QPushButton>("pB_chooseFile")->click();
    QCOMPARE(startDir, files.path() + "/fpga");
}

void DownloadTest::cancellingTheDialogWarnsAndKeepsEverything()
{
    find<QLineEdit>("lE_downloadFile")->setText("/earlier/path.bin");
    WindowInternals::setLastDir(*window, files.path());
    QString startDir;
    SeenBox box;
    answerNextFileDialog(startDir, QString());
    answerNextMessageBox(box, "OK");
    find<QPushButton>("pB_chooseFile")->click();

    QVERIFY(box.shown);
    QCOMPARE(box.title, QString("Feldmoor"));
    QCOMPARE(box.text, QString("Please choose the download file."));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QStringList({"OK"}));
    QCOMPARE(box.parent, window.get());
    QCOMPARE(find<QLineEdit>("lE_downloadFile")->text(), QString("/earlier/path.bin"));
    QCOMPARE(WindowInternals::lastDir(*window), files.path());
}

void DownloadTest::binSizeFollowsTheFieldText()
{
    const QString path = files.path() + "/image.bin";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'x'));
    file.close();

    QLineEdit *field = find<QLineEdit>("lE_downloadFile");
    field->setText(path);
    QCOMPARE(WindowInternals::downloadFileSize(*window), 0u);

    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    // Switching the kind does not take the size again.
    QCOMPARE(WindowInternals::downloadFileSize(*window), 0u);

    field->clear();
    window->show();
    field->setFocus();
    QTest::keyClicks(field, path);
    QCOMPARE(WindowInternals::downloadFileSize(*window), 5000u);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(WindowInternals::downloadFileSize(*window), 0u);

    // Choosing the same file again through the dialog takes the size even
    // though the field's text does not change.
    field->setText(path);
    file.open(QIODevice::Append);
    file.write(QByteArray(96, 'y'));
    file.close();
    DebugLog debug;
    QString startDir;
    answerNextFileDialog(startDir, path);
    find<QPushButton>("pB_chooseFile")->click();
    QCOMPARE(WindowInternals::downloadFileSize(*window), 5096u);
    QCOMPARE(debug.count("BIN文件大小："), 1);
}

void DownloadTest::fileKindShowsAndHidesTheBar()
{
    QComboBox *kind = find<QComboBox>("cbB_fileType");
    QProgressBar *bar = find<QProgressBar>("progressBar");
    kind->setCurrentIndex(1);
    QVERIFY(!bar->isHidden());
    kind->setCurrentIndex(0);
    QVERIFY(bar->isHidden());
}

void DownloadTest::sizeKeepsTheLow32Bits()
{
    const QString path = files.path() + "/huge.bin";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Sparse: takes no disk space.
    if (!file.resize(qint64(1) << 32 | 7))
        QSKIP("cannot make a 4 GiB sparse file here");
    file.close();
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    find<QLineEdit>("lE_downloadFile")->setText(path);
    QCOMPARE(WindowInternals::downloadFileSize(*window), 7u);
    QFile::remove(path);
}

void DownloadTest::withoutAdapterEveryPressOnlyWarns()
{
    std::thread([] { deviceNotifyCallback(0); }).join();
    QVERIFY(!WindowInternals::deviceConnected(*window));
    DebugLog debug;
    for (int i = 0; i < 2; ++i) {
        SeenBox box;
        answerNextMessageBox(box, "Yes");
        press();
        QVERIFY(box.shown);
        QCOMPARE(box.title, QString("Feldmoor"));
        QCOMPARE(box.text, QString("Please check the devices status."));
        QCOMPARE(box.buttons, QStringList({"Yes"}));
        QCOMPARE(box.icon, QMessageBox::Warning);
    }
    QCOMPARE(debug.count("请检查设备连接状态"), 2);
    QCOMPARE(buttonText(), QString("下载"));
    QCOMPARE(log(), QString());
    QVERIFY(!WindowInternals::isDownloading(*window));
}

void DownloadTest::missingToolEndsTheJob()
{
    find<QLineEdit>("lE_downloadFile")->setText("/nowhere/top.bit");
    DebugLog debug;
    press();
    // The failed start ends the job (on Windows inside the press): the
    // window is ready without a second press.
    QTRY_VERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(log(), QString("下载程序启动失败\n下载程序关闭成功"));
    QCOMPARE(buttonText(), QString("下载"));
    QCOMPARE(debug.count("程序启动失败"), 1);
    QVERIFY(debug.lines().at(debug.lines().indexOf(QRegularExpression(".*程序启动失败.*"))).contains("NotRunning"));
    QVERIFY(find<QProgressBar>("progressBar")->isHidden());

    // The program it tried is the tool beside the window.
    QCOMPARE(WindowInternals::openocdPath(*window),
             openocdProgramPath(QCoreApplication::applicationDirPath()));
    QCOMPARE(WindowInternals::downloadProcess(*window)->arguments().size(), 12);

    // The next press starts the next job.
    press();
    QTRY_VERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(log(), QString("下载程序启动失败\n下载程序关闭成功\n下载程序启动失败\n下载程序关闭成功"));
}

void DownloadTest::emptyPathAnsweredNoCancels()
{
    DebugLog debug;
    SeenBox box;
    answerNextMessageBox(box, "No");
    press();
    QVERIFY(box.shown);
    QCOMPARE(box.title, QString("Feldmoor"));
    QCOMPARE(box.text, QString("Please choose the download file."));
    QCOMPARE(box.buttons, QStringList({"Yes", "No"}));
    QCOMPARE(debug.count("Cancle this process."), 1);
    // No leaves the window ready: the next press asks again.
    QCOMPARE(buttonText(), QString("下载"));
    QVERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(log(), QString());

    SeenBox again;
    answerNextMessageBox(again, "No");
    press();
    QVERIFY(again.shown);
    QCOMPARE(again.text, QString("Please choose the download file."));
    QCOMPARE(log(), QString());
    QCOMPARE(buttonText(), QString("下载"));
}

void DownloadTest::emptyPathAnsweredYesChoosesAFile()
{
    const QString chosen = files.path() + "/picked top.bit";
    QFile(chosen).open(QIODevice::WriteOnly);
    SeenBox box;
    QString startDir;
    answerNextMessageBox(box, "Yes");
    answerNextFileDialog(startDir, chosen);
    press();
    QVERIFY(box.shown);
    QCOMPARE(find<QLineEdit>("lE_downloadFile")->text(), chosen);
    const QStringList arguments = WindowInternals::downloadProcess(*window)->arguments();
    QCOMPARE(arguments.value(9), "init; pld load 0 " + QString(chosen).replace(" ", "\\ "));
}

void DownloadTest::emptyPathAnsweredYesThenCancelledStartsNothing()
{
    QSignalSpy errors(WindowInternals::downloadProcess(*window), &QProcess::errorOccurred);
    SeenBox box;
    SeenBox cancelled;
    QString startDir;
    answerNextMessageBox(box, "Yes");
    answerNextFileDialog(startDir, QString());
    // The file box's own warning about the cancel, once the question is
    // answered (the file box may come and go between two looks).
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (box.shown) {
            watch.stop();
            answerNextMessageBox(cancelled, "OK");
        }
    });
    watch.start(5);
    press();
    QVERIFY(box.shown);
    QTRY_VERIFY(cancelled.shown);
    QCOMPARE(cancelled.text, QString("Please choose the download file."));
    QVERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(buttonText(), QString("下载"));
    // No run was even tried, with an empty file or any other.
    QTest::qWait(100);
    QVERIFY(errors.isEmpty());
    QCOMPARE(WindowInternals::downloadProcess(*window)->arguments(), QStringList());
    QCOMPARE(log(), QString());
}

void DownloadTest::unknownFamilyIsReportedAndTheJobGoesOn()
{
    find<QComboBox>("cbB_FPGAType")->setCurrentIndex(59);
    find<QLineEdit>("lE_downloadFile")->setText("/x/top.bin");
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    DebugLog debug;
    press();
    QTRY_VERIFY(!WindowInternals::isDownloading(*window));
    QCOMPARE(log(), QString("Cannot find matching file.\n下载程序启动失败\n下载程序关闭成功"));
    QCOMPARE(debug.count("Cannot find matching file"), 1);
    const QStringList arguments = WindowInternals::downloadProcess(*window)->arguments();
    QCOMPARE(arguments.value(5), QString("source [find cpld/];"));
    QCOMPARE(arguments.value(13), QString("xck_program xck.tap;"));
}

void DownloadTest::binJobShowsTheBar()
{
    QComboBox *kind = find<QComboBox>("cbB_fileType");
    QProgressBar *bar = find<QProgressBar>("progressBar");
    find<QLineEdit>("lE_downloadFile")->setText("/x/top.bin");
    kind->setCurrentIndex(1);
    bar->hide();
    bar->setValue(42);
    press();
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->value(), 42);
    // The job's end, a failed start here, resets the bar as any end does.
    QTRY_VERIFY(!WindowInternals::isDownloading(*window));
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 0);

    // A "BIT" job leaves the bar alone.
    kind->setCurrentIndex(0);
    press();
    QVERIFY(bar->isHidden());
    QTRY_VERIFY(!WindowInternals::isDownloading(*window));
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<DownloadTest>(argc, argv);
}

#include "tst_download.moc"
