#include "app/widget.h"
#include "eventwait.h"
#include "jobsuite.h"
#include "modalanswer.h"
#include "simulatedbus.h"
#include "windowinternals.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QtTest>

#include <memory>

// The Flash menu's operations, each from the menu to its result line,
// against the programming tool stand-in and its simulated board's flash.
class FlashMenuTest : public JobSuite
{
    Q_OBJECT

public:
    explicit FlashMenuTest(const QString &bus) : JobSuite(bus) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuFollowsTheJobAndTheAdapter();
    void verifyMatchesThenDiffers();
    void readBackWritesTheWholeFileOnly();
    void readBackRefusesTargetsBeforeTheBoard();
    void eraseAsksFirstAndErasesTheFilesSectors();
    void blankCheckFindsTheFirstByte();
    void differingBoardIsAskedAbout();
    void changedSectorsOnlyIsRememberedAndWritesTheDifference();

private:
    QString board(const QString &name) const { return bus + "/adapter0/" + name; }
    QAction *entry(const QString &text);
    void trigger(const QString &text);
    QByteArray flash() const;
    void setFlash(const QByteArray &head);
    QString makeBin(const QString &path, int size);
    QString lastLine() { return logLines().last(); }
    // The tool reports nothing while it reads the flash: the bar shows the
    // window busy (a range of none), and counts again for the next job.
    QProgressBar *bar() { return find<QProgressBar>("progressBar"); }
    bool barBusy() { return !bar()->isHidden() && bar()->maximum() == 0; }
    bool barReset() { return bar()->isHidden() && bar()->maximum() == 100; }
};

QAction *FlashMenuTest::entry(const QString &text)
{
    const QList<QAction *> actions = find<QPushButton>("pB_flash")->menu()->actions();
    for (QAction *action : actions) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void FlashMenuTest::trigger(const QString &text)
{
    QAction *action = entry(text);
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    action->trigger();
}

QByteArray FlashMenuTest::flash() const
{
    QFile file(board("flash.bin"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray(16 * 1024 * 1024, '\xff');
    return file.readAll();
}

void FlashMenuTest::setFlash(const QByteArray &head)
{
    QByteArray content(16 * 1024 * 1024, '\xff');
    content.replace(0, head.size(), head);
    QFile file(board("flash.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QString FlashMenuTest::makeBin(const QString &path, int size)
{
    const int code = QProcess::execute(QCoreApplication::applicationDirPath() + "/simbit",
                                       {"bin", path, "--size", QString::number(size), "--part", "xc7k325t"});
    return code == 0 ? path : QString();
}

void FlashMenuTest::initTestCase()
{
    // The window's settings in a folder of this run's (Windows keeps them in
    // the registry, and the cleanup puts the one this suite changes back).
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, files.filePath("settings"));
    QSettings("Feldmoor", "Feldmoor").remove("flash/changedSectorsOnly");
}

void FlashMenuTest::init()
{
    QDir(bus + "/adapter0").removeRecursively();
    QVERIFY(QDir(bus).mkpath("adapter0"));
    QFile part(board("part"));
    QVERIFY(part.open(QIODevice::WriteOnly));
    part.write("xc7k325t\n");
    part.close();
    window = std::make_unique<Widget>();
    QVERIFY(WindowInternals::deviceConnected(*window));
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc7k325t");
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
}

void FlashMenuTest::cleanup()
{
    window.reset();
    QSettings("Feldmoor", "Feldmoor").remove("flash/changedSectorsOnly");
}

void FlashMenuTest::menuFollowsTheJobAndTheAdapter()
{
    const QList<QAction *> actions = find<QPushButton>("pB_flash")->menu()->actions();
    QStringList texts;
    for (QAction *action : actions) {
        if (!action->isSeparator())
            texts << action->text();
    }
    QCOMPARE(texts, QStringList({"停止", "校验", "读出到文件…", "擦除", "查空", "只写入变化的扇区"}));
    QVERIFY(!entry("停止")->isEnabled());

    // While an operation runs only Stop is there.
    const QString bin = makeBin(files.filePath("top.bin"), 100 * 1024);
    find<QLineEdit>("lE_downloadFile")->setText(bin);
    trigger("查空");
    QVERIFY(WindowInternals::isDownloading(*window));
    QVERIFY(entry("停止")->isEnabled());
    for (const char *text : {"校验", "读出到文件…", "擦除", "查空"})
        QVERIFY2(!entry(text)->isEnabled(), text);
    QVERIFY(waitForIdle());
    QVERIFY(entry("校验")->isEnabled());
    QVERIFY(!entry("停止")->isEnabled());

    // No adapter: none of them.
    QVERIFY(QDir(bus + "/adapter0").removeRecursively());
    emit window->plugInfo(0);
    QVERIFY(runEventLoopUntil([&] { return !entry("擦除")->isEnabled(); }, 5000));
}

void FlashMenuTest::verifyMatchesThenDiffers()
{
    const QString bin = makeBin(files.filePath("top.bin"), 300 * 1024);
    QVERIFY(!bin.isEmpty());
    QFile file(bin);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray image = file.readAll();
    setFlash(image);
    find<QLineEdit>("lE_downloadFile")->setText(bin);

    trigger("校验");
    QVERIFY(barBusy());
    QVERIFY(waitForIdle());
    QVERIFY(barReset());
    QCOMPARE(lastLine(), QString("校验成功: flash 0x00000000..0x0004afff 与文件一致 (307200 字节); 板上的 FPGA 是 xc7k325t"));

    // Two bytes in sector 1, one in sector 3: the flash is not written.
    QByteArray changed = image;
    changed[0x10020] = char(changed[0x10020] ^ 0x01);
    changed[0x10030] = char(changed[0x10030] ^ 0x01);
    changed[0x30000] = char(changed[0x30000] ^ 0x01);
    setFlash(changed);
    trigger("校验");
    QVERIFY(waitForIdle());
    const QString line = lastLine();
    QCOMPARE(line, QString("校验失败: flash 0x00000000..0x0004afff 与文件不同, 第一个不同的地址是 0x00010020, 2 个扇区不同; "
                           "板上的 FPGA 是 xc7k325t"));
    QVERIFY(flash().left(changed.size()) == changed);
}

void FlashMenuTest::readBackWritesTheWholeFileOnly()
{
    QByteArray head(200 * 1024, '\0');
    QRandomGenerator generator(7);
    for (char &byte : head)
        byte = char(generator.bounded(256));
    setFlash(head);
    const QString bin = makeBin(files.filePath("size.bin"), 200 * 1024);
    find<QLineEdit>("lE_downloadFile")->setText(bin);
    const QString target = files.filePath("back.bin");

    QString startDir;
    answerNextFileDialog(startDir, target);
    trigger("读出到文件…");
    QVERIFY(waitForIdle());
    QCOMPARE(lastLine(), QString("读出完成: flash 0x00000000..0x00031fff 的 204800 字节已写入 %1; 板上的 FPGA 是 xc7k325t")
                             .arg(QDir::toNativeSeparators(target)));
    QFile back(target);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll() == head);
    back.close();
    // Nothing of the read is left beside it.
    QCOMPARE(QDir(files.path()).entryList({"*.part"}, QDir::Files), QStringList());

    // The adapter pulled out during the read: the name stays as it was. The
    // read runs at the simulator's real speed, long enough to be cut.
    QVERIFY(QFile::remove(target));
    qputenv("QB562_SIM_TIME_SCALE", "1");
    find<QPushButton>("pushButton")->click();
    answerNextFileDialog(startDir, target);
    trigger("读出到文件…");
    const bool reading = runEventLoopUntil([&] { return logLines().filter("Found flash device").size() == 1; }, 20000);
    const bool busyWhileReading = barBusy();
    QVERIFY(QDir(bus + "/adapter0").removeRecursively());
    SeenBox warning;
    answerNextMessageBox(warning, "Yes");
    const bool idle = waitForIdle();
    qputenv("QB562_SIM_TIME_SCALE", "0");
    QVERIFY(reading);
    QVERIFY(busyWhileReading);
    QVERIFY(idle);
    QVERIFY(barReset());
    QVERIFY2(lastLine().startsWith("读出失败") && lastLine().contains("0x00000000..0x00031fff"), qPrintable(lastLine()));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(QDir(files.path()).entryList({"*.part"}, QDir::Files), QStringList());
}

void FlashMenuTest::readBackRefusesTargetsBeforeTheBoard()
{
    QFile::remove(files.filePath("args"));
    qputenv("QB562_SIM_ARGS_LOG", files.filePath("args").toLocal8Bit());
    QString startDir;
    const QString folder = files.filePath("folder");
    QVERIFY(QDir(files.path()).mkdir("folder"));
    answerNextFileDialog(startDir, folder + "/");
    // The dialog opens the folder rather than accept it: the name itself
    // is what a user may type, so the check is made on what comes back.
    QCOMPARE(readTargetProblem(folder), ReadTargetProblem::Folder);
    QCOMPARE(readTargetProblem(files.filePath("missing/x.bin")), ReadTargetProblem::NotWritable);
    if (QFileInfo::exists("/dev/null"))
        QCOMPARE(readTargetProblem("/dev/null"), ReadTargetProblem::NotRegular);
    QCOMPARE(readTargetProblem(files.filePath("fine.bin")), ReadTargetProblem::None);
    QVERIFY(QDir(files.path()).entryList({"*.part"}, QDir::Files).isEmpty());

    // Through the menu: the line, and no tool was started.
    answerNextFileDialog(startDir, files.filePath("missing/x.bin"));
    trigger("读出到文件…");
    QVERIFY(runEventLoopUntil([&] { return lastLine().startsWith("读出失败"); }, 10000));
    QCOMPARE(lastLine(), QString("读出失败 (无法写入 %1); 板未改动").arg(QDir::toNativeSeparators(files.filePath("missing/x.bin"))));
    QVERIFY(!WindowInternals::isDownloading(*window));
    QVERIFY(!QFile::exists(files.filePath("args")));
    qunsetenv("QB562_SIM_ARGS_LOG");
}

void FlashMenuTest::eraseAsksFirstAndErasesTheFilesSectors()
{
    QByteArray head(512 * 1024, '\x5a');
    setFlash(head);
    const QString bin = makeBin(files.filePath("top.bin"), 100 * 1024);
    find<QLineEdit>("lE_downloadFile")->setText(bin);

    SeenBox box;
    answerNextMessageBox(box, "No");
    trigger("擦除");
    QVERIFY(waitForIdle());
    QVERIFY(box.shown);
    QCOMPARE(box.defaultButton, QString("No"));
    QVERIFY2(box.text.contains("0x00000000..0x0001ffff") && box.text.contains("xc7k325t") &&
                 box.text.contains("adapter"),
             qPrintable(box.text));
    QCOMPARE(lastLine(), QString("擦除取消; flash 未改动"));
    QVERIFY(flash().left(head.size()) == head);

    box = {};
    answerNextMessageBox(box, "Yes");
    trigger("擦除");
    QVERIFY(waitForIdle());
    QCOMPARE(lastLine(), QString("擦除完成: flash 0x00000000..0x0001ffff 的 2 个扇区已擦除; 板上的 FPGA 是 xc7k325t"));
    const QByteArray after = flash();
    QCOMPARE(after.left(128 * 1024).count('\xff'), 128 * 1024);
    QVERIFY(after.mid(128 * 1024, head.size() - 128 * 1024) == head.mid(128 * 1024));
}

void FlashMenuTest::blankCheckFindsTheFirstByte()
{
    QByteArray head(96 * 1024, '\xff');
    head[70000] = '\x00';
    setFlash(head);
    const QString bin = makeBin(files.filePath("top.bin"), 60 * 1024);
    find<QLineEdit>("lE_downloadFile")->setText(bin);

    // The file covers sector 0 alone, which is blank.
    trigger("查空");
    QVERIFY(barBusy());
    QVERIFY(waitForIdle());
    QVERIFY(barReset());
    QCOMPARE(lastLine(), QString("查空完成: flash 0x00000000..0x0000ffff 是空的; 板上的 FPGA 是 xc7k325t"));

    // Without a file, the whole flash.
    find<QLineEdit>("lE_downloadFile")->clear();
    trigger("查空");
    QVERIFY(waitForIdle(120000));
    QCOMPARE(lastLine(), QString("查空失败: flash 0x00000000..0x00ffffff 不是空的, 第一个有数据的地址是 0x00011170; "
                                 "板上的 FPGA 是 xc7k325t"));
}

void FlashMenuTest::differingBoardIsAskedAbout()
{
    QFile part(board("part"));
    QVERIFY(part.open(QIODevice::WriteOnly | QIODevice::Truncate));
    part.write("xc7a35t\n");
    part.close();
    QByteArray head(64 * 1024, '\x11');
    setFlash(head);
    const QString bin = makeBin(files.filePath("top.bin"), 64 * 1024);
    find<QLineEdit>("lE_downloadFile")->setText(bin);

    SeenBox box;
    answerNextMessageBox(box, "No");
    trigger("擦除");
    QVERIFY(waitForIdle());
    QVERIFY(box.shown);
    QCOMPARE(box.defaultButton, QString("No"));
    QVERIFY2(box.text.contains("xc7a35t") && box.text.contains("xc7k325t"), qPrintable(box.text));
    QCOMPARE(lastLine(), QString("擦除取消: 板上的 FPGA 是 xc7a35t, 所选器件是 xc7k325t; flash 未改动"));
    QVERIFY(flash().left(head.size()) == head);
}

void FlashMenuTest::changedSectorsOnlyIsRememberedAndWritesTheDifference()
{
    QAction *changed = entry("只写入变化的扇区");
    QVERIFY(changed && changed->isCheckable());
    QVERIFY(!changed->isChecked());
    changed->setChecked(true);
    window = std::make_unique<Widget>();
    find<QComboBox>("cbB_FPGAType")->setCurrentText("xc7k325t");
    find<QComboBox>("cbB_fileType")->setCurrentIndex(1);
    changed = entry("只写入变化的扇区");
    QVERIFY(changed->isChecked());

    // The flash holds the image but for one byte in sector 2, and bytes of
    // its own after the image's end in sector 3.
    const int size = 4 * 64 * 1024 - 100;
    const QString bin = makeBin(files.filePath("top.bin"), size);
    QVERIFY(!bin.isEmpty());
    QFile file(bin);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray image = file.readAll();
    QByteArray before = image + QByteArray(100, '\x33');
    before[2 * 64 * 1024 + 5] = char(before[2 * 64 * 1024 + 5] ^ 0x40);
    setFlash(before);
    find<QLineEdit>("lE_downloadFile")->setText(bin);
    press();
    QVERIFY(waitForIdle());
    const QStringList lines = logLines();
    QCOMPARE(lines.mid(lines.size() - 6),
             QStringList({"只写入变化的扇区: flash 0x00000000..0x0003ffff 的 4 个扇区中 3 个未变, 0 个直接写入, 1 个擦除后写入; "
                          "板上的 FPGA 是 xc7k325t",
                          "写入后校验: flash 与文件一致", "已从 flash 重新加载 FPGA", "DONE 为高", "BIN 文件下载完成.",
                          "下载程序关闭成功"}));
    const QByteArray after = flash();
    QVERIFY(after.left(image.size()) == image);
    QVERIFY(after.mid(image.size(), 100) == QByteArray(100, '\x33'));

    // Off again, the next start has it off.
    changed->setChecked(false);
    window = std::make_unique<Widget>();
    QVERIFY(!entry("只写入变化的扇区")->isChecked());
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<FlashMenuTest>(argc, argv);
}

#include "tst_flashmenu.moc"
