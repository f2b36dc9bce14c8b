#include "app/widget.h"
#include "app/windowlanguage.h"
#include "app/windowtranslation.h"
#include "eventwait.h"
#include "fakerun.h"
#include "jobsuite.h"
#include "simulatedbus.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QApplication>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// A text the window shows: as written, and in English.
using Text = std::pair<const char *, const char *>;

const Text noDevice{"当前无设备连接", "No device connected"};
const Text probed{"检测到设备已插入", "Device detected"};
const Text idle{"下载", "Download"};
const Text running{"下载中", "Downloading"};

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

// The window in the language the system asks for, its English installed as
// the program installs it. CTest runs this suite under an English locale and
// under the C locale, where the window keeps the texts it is written with;
// FELDMOOR_EXPECTED_LANGUAGE (en or zh) says which the run expects.
class WindowLanguageTest : public JobSuite
{
    Q_OBJECT

public:
    explicit WindowLanguageTest(const QString &bus) : JobSuite(bus) {}

private slots:
    void initTestCase();
    void init() { fake = std::make_unique<FakeRun>(); }
    void cleanup();

    void formAndDeviceFieldSpeakTheLanguage();
    void aJobSpeaksTheLanguage();
    void smallestWindowCutsNoText();
    void defaultSizeCutsNoDescender();
    void firstLanguageTheWindowSpeaksDecides_data();
    void firstLanguageTheWindowSpeaksDecides();

private:
    QString text(const Text &t) const { return QString(english ? t.second : t.first); }
    QString deviceText() { return find<QLineEdit>("lE_devInfo")->text(); }
    void plug() { QVERIFY(QDir(bus).mkpath("adapter0")); }
    QStringList cutTexts();
    QStringList clippedInk();

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
    QCOMPARE(buttonText(), text(idle));
    QCOMPARE(find<QLabel>("label_2")->text(), text({"选择FPGA型号", "FPGA part"}));
    QCOMPARE(find<QLabel>("label_4")->text(), text({"设备信息", "Device"}));
    QCOMPARE(find<QPushButton>("pB_chooseFile")->text(), text({"选择下载文件", "Choose file"}));
    QCOMPARE(find<QPushButton>("pushButton")->text(), text({"清屏", "Clear"}));

    plug();
    QTRY_COMPARE_WITH_TIMEOUT(deviceText(), text({"设备已插入", "Device plugged in"}), 2000);
    // The probe's text, with the adapter there before the window.
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
        for (const QString &s : shown) {
            for (const QChar c : s)
                QVERIFY2(c.script() != QChar::Script_Han, qPrintable("still Chinese: " + s));
        }
    }
}

void WindowLanguageTest::aJobSpeaksTheLanguage()
{
    plug();
    window = std::make_unique<Widget>();
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
    // The second press comes while the tool still runs: it is refused.
    fake->plan({"sleep 0.1", "out Info : loading top.bit\\n", "sleep 0.3", "exit 0"});
    press();
    QCOMPARE(buttonText(), text(running));
    QVERIFY(runEventLoopUntil([this] { return !logLines().first().isEmpty(); }));
    find<QPushButton>("pB_download")->click();
    QVERIFY(waitForIdle());
    QCOMPARE(logLines(), QStringList({text({"下载程序启动成功", "Download tool started"}),
                                      text({"请等待程序运行结束...", "Please wait for the tool to finish..."}),
                                      "Info : loading top.bit", text({"BIT 文件下载完成.", "BIT file downloaded."}),
                                      text({"下载程序关闭成功", "Download tool closed"})}));
    QCOMPARE(buttonText(), text(idle));

    fake->plan({"exit 3"});
    find<QPlainTextEdit>("plainTextEdit")->clear();
    press();
    QVERIFY(waitForIdle());
    QCOMPARE(logLines().at(1), text({"下载失败 (退出码 3)", "Download failed (exit code 3)"}));
}

// The captions, buttons, boxes and the device field that, as they stand, do
// not show their whole text.
QStringList WindowLanguageTest::cutTexts()
{
    QStringList cut;
    QList<QWidget *> captions;
    for (QLabel *label : window->findChildren<QLabel *>())
        captions << label;
    for (QPushButton *button : window->findChildren<QPushButton *>())
        captions << button;
    // A caption's or a button's size hint is what its whole text needs.
    for (QWidget *w : captions) {
        if (w->width() < w->sizeHint().width())
            cut << QString("%1: %2 of %3").arg(w->objectName()).arg(w->width()).arg(w->sizeHint().width());
    }
    // The file-type box's style says what each item needs beside the arrow.
    QComboBox *fileType = find<QComboBox>("cbB_fileType");
    for (int i = 0; i < fileType->count(); ++i) {
        QStyleOptionComboBox option;
        option.initFrom(fileType);
        const QSize textSize(fileType->fontMetrics().horizontalAdvance(fileType->itemText(i)),
                             fileType->fontMetrics().height());
        const int needed = fileType->style()->sizeFromContents(QStyle::CT_ComboBox, &option, textSize, fileType).width();
        if (fileType->width() < needed)
            cut << QString("cbB_fileType \"%1\": %2 of %3").arg(fileType->itemText(i)).arg(fileType->width()).arg(needed);
    }
    const QList<std::pair<QString, QLineEdit *>> fields = {
        {"cbB_FPGAType", find<QComboBox>("cbB_FPGAType")->lineEdit()},
        {"cbB_clock", find<QComboBox>("cbB_clock")->lineEdit()},
        {"lE_devInfo", find<QLineEdit>("lE_devInfo")}};
    for (const auto &[name, edit] : fields) {
        if (!showsWholeText(edit))
            cut << QString("%1 \"%2\": %3 wide").arg(name, edit->text()).arg(edit->width());
    }
    return cut;
}

// The texts of the buttons and captions whose ink, descenders included, is
// not inside the widget within its border: what the painter cuts off.
QStringList WindowLanguageTest::clippedInk()
{
    QStringList clipped;
    const auto check = [&](QWidget *w, const QString &shown, const QRect &area, Qt::Alignment alignment, int border) {
        if (shown.isEmpty())
            return;
        const QFontMetrics metrics = w->fontMetrics();
        // Placed in its area as the style draws it, on its baseline.
        const QRect line = QStyle::alignedRect(w->layoutDirection(), alignment,
                                               QSize(metrics.horizontalAdvance(shown), metrics.height()), area);
        const QRect ink = metrics.tightBoundingRect(shown).translated(line.left(), line.top() + metrics.ascent());
        const QRect visible = w->rect().adjusted(border, border, -border, -border);
        if (!visible.contains(ink))
            clipped << QString("%1 \"%2\": ink %3,%4 to %5,%6 in %7,%8 to %9,%10")
                           .arg(w->objectName(), shown)
                           .arg(ink.left()).arg(ink.top()).arg(ink.right()).arg(ink.bottom())
                           .arg(visible.left()).arg(visible.top()).arg(visible.right()).arg(visible.bottom());
    };
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        check(button, button->text(), button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button),
              Qt::AlignCenter, 1);
    }
    for (QLabel *label : window->findChildren<QLabel *>())
        check(label, label->text(), label->contentsRect(), QStyle::visualAlignment(label->layoutDirection(), label->alignment()),
              label->styleSheet().contains("border") ? 1 : 0);
    return clipped;
}

void WindowLanguageTest::defaultSizeCutsNoDescender()
{
    plug();
    window = std::make_unique<Widget>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY2(clippedInk().isEmpty(), qPrintable(clippedInk().join("; ")));

    // The button's text while a job runs ("Downloading", with its "g").
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
    fake->plan({"sleep 0.5", "exit 0"});
    press();
    QCOMPARE(buttonText(), text(running));
    QApplication::processEvents();
    QVERIFY2(clippedInk().isEmpty(), qPrintable(clippedInk().join("; ")));
    QVERIFY(waitForIdle());
}

void WindowLanguageTest::smallestWindowCutsNoText()
{
    plug();
    window = std::make_unique<Widget>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // A window cannot be made smaller than its layout's minimum.
    window->resize(1, 1);
    QTRY_COMPARE(window->size(), window->minimumSize());
    qInfo("smallest window: %dx%d", window->width(), window->height());
    QVERIFY2(cutTexts().isEmpty(), qPrintable(cutTexts().join("; ")));

    // The button's longer text while a job runs.
    find<QLineEdit>("lE_downloadFile")->setText(files.filePath("top.bit"));
    fake->plan({"sleep 0.5", "exit 0"});
    press();
    QCOMPARE(buttonText(), text(running));
    window->resize(1, 1);
    QTRY_COMPARE(window->size(), window->minimumSize());
    QVERIFY2(cutTexts().isEmpty(), qPrintable(cutTexts().join("; ")));
    QVERIFY(waitForIdle());
}

void WindowLanguageTest::firstLanguageTheWindowSpeaksDecides_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<bool>("english");
    QTest::newRow("Taiwan") << QStringList{"zh-TW", "zh-Hant-TW"} << false;
    QTest::newRow("German, then Chinese") << QStringList{"de", "de-Latn-DE", "zh-CN", "en"} << false;
    QTest::newRow("German, then English") << QStringList{"de-DE", "en-GB", "zh"} << true;
    QTest::newRow("French only") << QStringList{"fr-FR", "fr"} << true;
    QTest::newRow("an unknown name, then Chinese") << QStringList{"xx-YY", "zh"} << false;
}

void WindowLanguageTest::firstLanguageTheWindowSpeaksDecides()
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
