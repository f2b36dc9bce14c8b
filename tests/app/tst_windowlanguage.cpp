#include "app/widget.h"
#include "app/windowlanguage.h"
#include "app/windowtranslation.h"
#include "eventwait.h"
#include "fakerun.h"
#include "jobsuite.h"
#include "simulatedbus.h"
#include "windowinternals.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// A text the window shows, as written and in English.
struct Text
{
    const char *chinese;
    const char *english;
};

const Text noDevice{"当前无设备连接", "No device connected"};
const Text probed{"检测到设备已插入", "Device detected"};
const Text inserted{"设备已插入", "Device plugged in"};
const Text idle{"下载", "Download"};
const Text running{"下载中", "Downloading"};
const Text started{"下载程序启动成功", "Download tool started"};
const Text bitDone{"BIT 文件下载完成.", "BIT file downloaded."};
const Text closed{"下载程序关闭成功", "Download tool closed"};
const Text refused{"请等待程序运行结束...", "Please wait for the tool to finish..."};

bool holdsChinese(const QString &text)
{
    for (const QChar c : text) {
        if ((c.unicode() >= 0x3000 && c.unicode() <= 0x9fff) || (c.unicode() >= 0xff00 && c.unicode() <= 0xffef))
            return true;
    }
    return false;
}

// What the combo box's style asks for to draw `text` beside its arrow.
int styleWidthFor(const QComboBox *combo, const QString &text)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.currentText = text;
    const QFontMetrics metrics = combo->fontMetrics();
    const QSize contents(metrics.horizontalAdvance(text), metrics.height());
    return combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, combo).width();
}

// A line edit shows its whole text when, with the cursor at the end, the
// first character still starts at the left edge of its text area.
bool showsWholeText(QLineEdit *edit)
{
    edit->end(false);
    edit->grab(); // the scroll offset follows the cursor when painted
    const QRect area = edit->contentsRect().marginsRemoved(edit->textMargins());
    return edit->cursorPositionAt(QPoint(area.left() + 1, area.center().y())) == 0;
}

}

// The window in the language the system asks for, started as the program
// starts it. CTest runs this suite twice: under an English locale, and under
// the C locale, where the window keeps the texts it is written with.
// FELDMOOR_EXPECTED_LANGUAGE (en or zh) says which the run expects.
class WindowLanguageTest : public JobSuite
{
    Q_OBJECT

public:
    explicit WindowLanguageTest(const QString &bus) : JobSuite(bus) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formAndDeviceFieldSpeakTheLanguage();
    void aJobSpeaksTheLanguage();
    void smallestWindowCutsNoText();
    void languageFollowsTheFirstOneTheWindowSpeaks_data();
    void languageFollowsTheFirstOneTheWindowSpeaks();

private:
    QString text(const Text &t) const { return english ? QString(t.english) : QString(t.chinese); }
    QString deviceText() { return find<QLineEdit>("lE_devInfo")->text(); }
    void plug() { QVERIFY(QDir(bus).mkpath("adapter0")); }
    void unplug() { QVERIFY(QDir(bus + "/adapter0").removeRecursively()); }
    QStringList cutTexts();

    bool english = false;
    QTranslator translator;
    std::unique_ptr<FakeRun> fake;
};

void WindowLanguageTest::initTestCase()
{
    const QString expected = qEnvironmentVariable("FELDMOOR_EXPECTED_LANGUAGE");
    QVERIFY2(expected == "en" || expected == "zh", "FELDMOOR_EXPECTED_LANGUAGE is neither en nor zh");
    english = expected == "en";
    qInfo("system UI languages: %s", qPrintable(QLocale::system().uiLanguages().join(", ")));
    QCOMPARE(installWindowTranslation(translator), english ? WindowLanguage::English : WindowLanguage::Chinese);
}

void WindowLanguageTest::init()
{
    fake = std::make_unique<FakeRun>();
}

void WindowLanguageTest::cleanup()
{
    window.reset();
    fake.reset();
    QDir(bus + "/adapter0").removeRecursively();
    // Let the library's removal event drain before the next case.
    QTest::qWait(200);
}

void WindowLanguageTest::formAndDeviceFieldSpeakTheLanguage()
{
    window = std::make_unique<Widget>();
    QCOMPARE(deviceText(), text(noDevice));
    QCOMPARE(find<QPushButton>("pB_download")->text(), text(idle));
    const QList<std::pair<const char *, Text>> captions = {
        {"label_2", {"选择FPGA型号", "FPGA part"}},
        {"label", {"选择下载文件类型", "File type"}},
        {"label_3", {"选择硬件时钟", "JTAG clock"}},
        {"label_5", {"Hz", "Hz"}},
        {"label_4", {"设备信息", "Device"}},
    };
    for (const auto &[name, caption] : captions)
        QCOMPARE(find<QLabel>(name)->text(), text(caption));
    const QList<std::pair<const char *, Text>> buttons = {
        {"pushButton_2", {"关于", "About"}},
        {"pB_chooseFile", {"选择下载文件", "Choose file"}},
        {"pushButton", {"清屏", "Clear"}},
    };
    for (const auto &[name, caption] : buttons)
        QCOMPARE(find<QPushButton>(name)->text(), text(caption));

    plug();
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(), text(inserted), 2000);
    unplug();
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(), text(noDevice), 2000);

    // The probe's text, with the adapter there before the window.
    plug();
    QTest::qWait(200);
    window = std::make_unique<Widget>();
    QCOMPARE(deviceText(), text(probed));

    // Nothing the English window shows is left in Chinese.
    if (english) {
        QStringList shown;
        for (QLabel *label : window->findChildren<QLabel *>())
            shown << label->text();
        for (QPushButton *button : window->findChildren<QPushButton *>())
            shown << button->text();
        for (QLineEdit *edit : window->findChildren<QLineEdit *>())
            shown << edit->text();
        for (QComboBox *combo : window->findChildren<QComboBox *>()) {
            for (int i = 0; i < combo->count(); ++i)
                shown << combo->itemText(i);
        }
        for (const QString &s : shown)
            QVERIFY2(!holdsChinese(s), qPrintable("still Chinese: " + s));
    }
}

void WindowLanguageTest::aJobSpeaksTheLanguage()
{
    plug();
    QTest::qWait(200);
    window = std::make_unique<Widget>();
    QVERIFY(WindowInternals::deviceConnected(*window));
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
    // The second press comes while the tool still runs: it is refused.
    fake->plan({"sleep 0.1", "out Info : loading top.bit\\n", "sleep 0.3", "exit 0"});
    press();
    QCOMPARE(buttonText(), text(running));
    find<QPushButton>("pB_download")->click();
    QVERIFY(waitForIdle());
    QCOMPARE(logLines(), QStringList({text(started), text(refused), "Info : loading top.bit", text(bitDone),
                                      text(closed)}));
    QCOMPARE(buttonText(), text(idle));

    fake->plan({"exit 3"});
    find<QPlainTextEdit>("plainTextEdit")->clear();
    press();
    QVERIFY(waitForIdle());
    const QString failed = english ? QString("Download failed (exit code 3)") : QString("下载失败 (退出码 3)");
    QCOMPARE(logLines(), QStringList({text(started), failed, text(closed)}));
}

// Every caption, button, box and the device field, as their widgets stand,
// that does not show its whole text.
QStringList WindowLanguageTest::cutTexts()
{
    QStringList cut;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->width() < label->sizeHint().width())
            cut << QString("%1 \"%2\": %3 of %4").arg(label->objectName(), label->text())
                       .arg(label->width()).arg(label->sizeHint().width());
    }
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        if (button->width() < button->sizeHint().width())
            cut << QString("%1 \"%2\": %3 of %4").arg(button->objectName(), button->text())
                       .arg(button->width()).arg(button->sizeHint().width());
    }
    QComboBox *fileType = find<QComboBox>("cbB_fileType");
    for (int i = 0; i < fileType->count(); ++i) {
        const int needed = styleWidthFor(fileType, fileType->itemText(i));
        if (fileType->width() < needed)
            cut << QString("cbB_fileType \"%1\": %2 of %3").arg(fileType->itemText(i))
                       .arg(fileType->width()).arg(needed);
    }
    for (QLineEdit *edit : {find<QComboBox>("cbB_FPGAType")->lineEdit(), find<QComboBox>("cbB_clock")->lineEdit(),
                            find<QLineEdit>("lE_devInfo")}) {
        if (!showsWholeText(edit))
            cut << QString("%1 \"%2\": %3 wide").arg(edit->parentWidget()->objectName(), edit->text())
                       .arg(edit->width());
    }
    return cut;
}

void WindowLanguageTest::smallestWindowCutsNoText()
{
    window = std::make_unique<Widget>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // A window cannot be made smaller than its layout's minimum.
    window->resize(1, 1);
    QTRY_COMPARE(window->size(), window->minimumSize());
    qInfo("smallest window: %dx%d", window->width(), window->height());
    QVERIFY2(cutTexts().isEmpty(), qPrintable(cutTexts().join("; ")));

    // Each longer text the device field and the button take on later.
    plug();
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(), text(inserted), 2000);
    window->resize(1, 1);
    QTRY_COMPARE(window->size(), window->minimumSize());
    QVERIFY2(cutTexts().isEmpty(), qPrintable(cutTexts().join("; ")));

    window = std::make_unique<Widget>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(deviceText(), text(probed));
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
    fake->plan({"sleep 0.5", "exit 0"});
    press();
    QCOMPARE(buttonText(), text(running));
    window->resize(1, 1);
    QTRY_COMPARE(window->size(), window->minimumSize());
    QVERIFY2(cutTexts().isEmpty(), qPrintable(cutTexts().join("; ")));
    QVERIFY(waitForIdle());
}

void WindowLanguageTest::languageFollowsTheFirstOneTheWindowSpeaks_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<bool>("english");
    QTest::newRow("C locale") << QStringList{"C"} << false;
    QTest::newRow("English") << QStringList{"en-US", "en-Latn-US", "en"} << true;
    QTest::newRow("Taiwan") << QStringList{"zh-TW", "zh-Hant-TW"} << false;
    QTest::newRow("German, then Chinese") << QStringList{"de", "de-Latn-DE", "de-DE", "zh-CN"} << false;
    QTest::newRow("German, then English") << QStringList{"de-DE", "en-GB"} << true;
    QTest::newRow("Chinese, then English") << QStringList{"zh-CN", "en-US"} << false;
    QTest::newRow("French only") << QStringList{"fr-FR", "fr"} << true;
    QTest::newRow("an unknown name, then Chinese") << QStringList{"xx-YY", "zh"} << false;
}

void WindowLanguageTest::languageFollowsTheFirstOneTheWindowSpeaks()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(bool, english);
    QCOMPARE(windowLanguageFor(uiLanguages) == WindowLanguage::English, english);
}

int main(int argc, char *argv[])
{
    return runOnSimulatedBus<WindowLanguageTest>(argc, argv);
}

#include "tst_windowlanguage.moc"
