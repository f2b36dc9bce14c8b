#include "app/widget.h"
#include "windowinternals.h"

#include "feldmoor/projectfacts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSpacerItem>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Answers the next modal box from the event loop the box itself runs.
void answerNextBox(std::function<void(QMessageBox *)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        QMessageBox *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY2(box, "no message box is open");
        inspect(box);
        box->done(0);
    });
}

QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// What the combo box's style asks for to draw the text beside its drop-down
// arrow, measured by advance so that no glyph is clipped.
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

// An editable box shows its whole text when its line edit has no need to
// scroll it: with the cursor at the end, the first character still starts at
// the left edge of the text area.
bool showsWholeText(QComboBox *combo)
{
    QLineEdit *edit = combo->lineEdit();
    edit->end(false);
    edit->grab(); // the scroll offset follows the cursor when painted
    const QRect area = edit->contentsRect().marginsRemoved(edit->textMargins());
    return edit->cursorPositionAt(QPoint(area.left() + 1, area.center().y())) == 0;
}

}

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsIdleWithTheFormTexts();
    void controlsHaveTheirRoles();
    void layoutTreeAndStretchFactors();
    void styleSheetsAreAppliedWhenPainted();
    void comboBoxesShowTheirTextsInFull();
    void iconResourceLoads();
    void aboutBoxShowsOneOkButton();
    void clearButtonEmptiesTheLog();
    void partCatalogue();
    void clockCatalogue();
    void completerMatchesPrefixCaseSensitively();
    void typedTextsAreKept();
    void teardownClearsTheInstance();

private:
    template<typename T> T *find(const char *name)
    {
        T *child = window->findChild<T *>(name);
        if (!child)
            qFatal("no child %s", name);
        return child;
    }

    std::unique_ptr<Widget> window;
};

void WindowTest::init()
{
    window = std::make_unique<Widget>();
}

void WindowTest::cleanup()
{
    window.reset();
}

void WindowTest::startsIdleWithTheFormTexts()
{
    QCOMPARE(widgetInstance.load(), window.get());
    QCOMPARE(window->windowTitle(), QString("Widget"));
    QCOMPARE(window->size(), QSize(800, 600));

    QCOMPARE(find<QLabel>("label_2")->text(), QString("选择FPGA型号"));
    QCOMPARE(find<QLabel>("label")->text(), QString("选择下载文件类型"));
    QCOMPARE(itemTexts(find<QComboBox>("cbB_fileType")), QStringList({"BIT", "BIN"}));
    QCOMPARE(find<QLabel>("label_3")->text(), QString("选择硬件时钟"));
    QCOMPARE(find<QLabel>("label_5")->text(), QString("Hz"));
    QCOMPARE(find<QPushButton>("pushButton_2")->text(), QString("关于"));
    QCOMPARE(find<QPushButton>("pB_chooseFile")->text(), QString("选择下载文件"));
    QCOMPARE(find<QPushButton>("pB_download")->text(), QString("下载"));
    QCOMPARE(find<QLabel>("label_4")->text(), QString("设备信息"));
    QCOMPARE(find<QLineEdit>("lE_devInfo")->text(), QString("当前无设备连接"));
    QCOMPARE(find<QPushButton>("pushButton")->text(), QString("清屏"));
    QCOMPARE(find<QLineEdit>("lE_downloadFile")->text(), QString());
    QCOMPARE(find<QPlainTextEdit>("plainTextEdit")->toPlainText(), QString());

    QProgressBar *bar = find<QProgressBar>("progressBar");
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);

    QCOMPARE(WindowInternals::isDownloading(*window), false);
    QCOMPARE(WindowInternals::downloadFileSize(*window), 0u);
    QCOMPARE(WindowInternals::lastDir(*window), QString("d:/"));
    QCOMPARE(WindowInternals::openocdPath(*window), QString());

    QProcess *process = WindowInternals::downloadProcess(*window);
    QVERIFY(process);
    // The tool runs through the engine's ToolRun, which the window made
    // without a parent and deletes itself.
    QVERIFY(process->parent());
    QCOMPARE(process->parent()->parent(), nullptr);
    QCOMPARE(process->processChannelMode(), QProcess::MergedChannels);
    QCOMPARE(process->state(), QProcess::NotRunning);
}

void WindowTest::controlsHaveTheirRoles()
{
    QVERIFY(find<QLineEdit>("lE_devInfo")->isReadOnly());
    QVERIFY(!find<QLineEdit>("lE_downloadFile")->isReadOnly());
    QVERIFY(find<QComboBox>("cbB_FPGAType")->isEditable());
    QVERIFY(find<QComboBox>("cbB_clock")->isEditable());
    QVERIFY(!find<QComboBox>("cbB_fileType")->isEditable());
    QCOMPARE(find<QComboBox>("cbB_fileType")->currentIndex(), 0);

    QLabel *deviceCaption = find<QLabel>("label_4");
    QCOMPARE(deviceCaption->alignment(), Qt::AlignCenter);
    QVERIFY(!deviceCaption->autoFillBackground());
    QVERIFY(!find<QPlainTextEdit>("plainTextEdit")->autoFillBackground());

    // Every control sits on the inner panel, created in the order that also
    // gives the keyboard focus chain.
    QWidget *panel = find<QWidget>("widget");
    const QStringList order = {"label_2", "cbB_FPGAType", "label", "cbB_fileType", "label_3",
                               "cbB_clock", "label_5", "pB_flash", "pushButton_2", "pB_chooseFile",
                               "lE_downloadFile", "pB_download", "progressBar", "label_4",
                               "lE_devInfo", "cbB_adapter", "pushButton", "plainTextEdit"};
    QStringList children;
    for (QObject *child : panel->children()) {
        if (child->isWidgetType() && order.contains(child->objectName()))
            children << child->objectName();
    }
    QCOMPARE(children, order);
    QCOMPARE(panel->parentWidget(), window.get());
}

void WindowTest::layoutTreeAndStretchFactors()
{
    auto *outer = qobject_cast<QGridLayout *>(window->layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QString("gridLayout_2"));
    QCOMPARE(outer->count(), 1);
    QCOMPARE(outer->itemAtPosition(0, 0)->widget(), find<QWidget>("widget"));

    auto *inner = qobject_cast<QGridLayout *>(find<QWidget>("widget")->layout());
    QVERIFY(inner);
    QCOMPARE(inner->objectName(), QString("gridLayout"));
    auto *column = qobject_cast<QVBoxLayout *>(inner->itemAtPosition(0, 0)->layout());
    QVERIFY(column);
    QCOMPARE(column->objectName(), QString("verticalLayout_2"));
    QCOMPARE(column->count(), 2);
    QCOMPARE(column->itemAt(1)->widget()->objectName(), QString("plainTextEdit"));

    auto *rows = qobject_cast<QVBoxLayout *>(column->itemAt(0)->layout());
    QVERIFY(rows);
    QCOMPARE(rows->objectName(), QString("verticalLayout"));
    QCOMPARE(rows->count(), 4);
    QCOMPARE(column->stretch(0), 0);
    QCOMPARE(column->stretch(1), 0);

    struct Row { QString name; QStringList items; QList<int> stretch; };
    const QList<Row> expected = {
        {"horizontalLayout",
         {"label_2", "cbB_FPGAType", "", "label", "cbB_fileType", "", "label_3", "cbB_clock",
          "label_5", "", "pB_flash", "pushButton_2"},
         {1, 1, 0, 1, 2, 0, 1, 2, 0, 5, 0, 0}},
        {"horizontalLayout_2", {"pB_chooseFile", "lE_downloadFile"}, {2, 14}},
        {"horizontalLayout_3", {"pB_download", "progressBar"}, {2, 14}},
        {"horizontalLayout_4", {"label_4", "lE_devInfo", "cbB_adapter", "pushButton"}, {1, 7, 3, 1}},
    };
    for (int r = 0; r < expected.size(); ++r) {
        auto *row = qobject_cast<QHBoxLayout *>(rows->itemAt(r)->layout());
        QVERIFY(row);
        QCOMPARE(rows->stretch(r), 0);
        QCOMPARE(row->objectName(), expected[r].name);
        QCOMPARE(row->count(), expected[r].items.size());
        for (int i = 0; i < row->count(); ++i) {
            QLayoutItem *item = row->itemAt(i);
            QCOMPARE(row->stretch(i), expected[r].stretch[i]);
            if (expected[r].items[i].isEmpty()) {
                QSpacerItem *spacer = item->spacerItem();
                QVERIFY2(spacer, qPrintable(QString("item %1 of %2").arg(i).arg(expected[r].name)));
                QCOMPARE(spacer->sizeHint(), QSize(40, 20));
                QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
                QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
            } else {
                QVERIFY(item->widget());
                QCOMPARE(item->widget()->objectName(), expected[r].items[i]);
            }
        }
    }
}

void WindowTest::styleSheetsAreAppliedWhenPainted()
{
    const QString sheet = window->styleSheet();
    const QStringList selectors = {
        "QWidget {", "QPlainTextEdit {", "QLineEdit {", "QFontComboBox {", "QComboBox {",
        "QProgressBar {", "QProgressBar::chunk:horizontal {", "QPushButton {",
        "QPushButton:hover {", "QPushButton:default {", "QPushButton:pressed {",
        "QPushButton:disabled {", "QMessageBox {", "QMessageBox QLabel#qt_msgbox_label {"};
    qsizetype at = -1;
    for (const QString &selector : selectors) {
        const qsizetype next = sheet.indexOf(selector);
        QVERIFY2(next > at, qPrintable(selector));
        at = next;
    }
    QVERIFY(find<QLabel>("label_4")->styleSheet().contains("border: 1.2px solid rgb(0, 113, 255)"));

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QImage shot = window->grab().toImage();

    auto colourAtCentreOf = [&](const char *name) {
        QWidget *w = find<QWidget>(name);
        return QColor(shot.pixel(w->mapTo(window.get(), w->rect().center())));
    };
    QCOMPARE(colourAtCentreOf("plainTextEdit"), QColor("#222b2e"));
    // The window background, seen between the rows.
    QCOMPARE(QColor(shot.pixel(2, 2)), QColor("#ececec"));
}

void WindowTest::comboBoxesShowTheirTextsInFull()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->size(), QSize(800, 600));

    QComboBox *fileType = find<QComboBox>("cbB_fileType");
    int needed = 0;
    for (const QString &text : itemTexts(fileType))
        needed = qMax(needed, styleWidthFor(fileType, text));
    QVERIFY2(fileType->width() >= needed,
             qPrintable(QString("cbB_fileType is %1 wide, needs %2").arg(fileType->width()).arg(needed)));

    for (const char *name : {"cbB_FPGAType", "cbB_clock"}) {
        QComboBox *combo = find<QComboBox>(name);
        QVERIFY2(showsWholeText(combo), qPrintable(QString("%1 is %2 wide, cuts \"%3\"")
                                                   .arg(name).arg(combo->width()).arg(combo->currentText())));
    }
}

void WindowTest::iconResourceLoads()
{
    QFile file(":/app/icon/Feldmoor.ico");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), qint64(67646));

    const QIcon icon(":/app/icon/Feldmoor.ico");
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), QList<QSize>({QSize(128, 128)}));
    const QImage image = icon.pixmap(128, 128).toImage();
    QCOMPARE(image.size(), QSize(128, 128));
    QVERIFY(image.hasAlphaChannel());
}

void WindowTest::aboutBoxShowsOneOkButton()
{
    bool answered = false;
    answerNextBox([&](QMessageBox *box) {
        answered = true;
        QCOMPARE(box->windowTitle(), QString("Feldmoor"));
        QCOMPARE(box->text(), QString("Feldmoor\r\nVersion : 1.1"));
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->parentWidget(), window.get());
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->buttons().first()->text(), QString("Ok"));
        QCOMPARE(box->defaultButton(), box->buttons().first());
    });
    find<QPushButton>("pushButton_2")->click();
    QVERIFY(answered);
}

void WindowTest::clearButtonEmptiesTheLog()
{
    QPlainTextEdit *log = find<QPlainTextEdit>("plainTextEdit");
    QPushButton *clear = find<QPushButton>("pushButton");
    clear->click();
    QCOMPARE(log->toPlainText(), QString());

    log->appendPlainText("line one");
    log->appendPlainText("line two");
    clear->click();
    QCOMPARE(log->toPlainText(), QString());
    QCOMPARE(log->blockCount(), 1);
}

void WindowTest::partCatalogue()
{
    QComboBox *parts = find<QComboBox>("cbB_FPGAType");
    const QStringList names = itemTexts(parts);
    const int partCount = static_cast<int>(feldmoor::kPartCount);
    QCOMPARE(names.size(), partCount);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), partCount);
    QCOMPARE(parts->currentIndex(), 40);
    QCOMPARE(parts->currentText(), QString("xc7k325t"));

    QCOMPARE(names[0], QString("xc3s100e"));
    QCOMPARE(names[10], QString("xc3s500e"));
    QCOMPARE(names[11], QString("xc3s50a"));
    QCOMPARE(names[16], QString("xc3sd3400a"));
    QCOMPARE(names[17], QString("xc6slx100"));
    QCOMPARE(names[29], QString("xc6slx9"));
    QCOMPARE(names[39], QString("xc7k325t-debug"));
    QCOMPARE(names[59], QString("xcku040"));

    // The catalogue is sorted byte-wise as "<name>.bit", and each family
    // occupies its stated block of indices.
    for (int i = 1; i < names.size(); ++i)
        QVERIFY2((names[i - 1] + ".bit").toLatin1() < (names[i] + ".bit").toLatin1(), qPrintable(names[i]));
    const QList<std::pair<QString, std::pair<int, int>>> blocks = {
        {"xc3s", {0, 16}}, {"xc6slx", {17, 29}}, {"xc7a", {30, 37}}, {"xc7k", {38, 45}},
        {"xc7s", {46, 47}}, {"xc7v", {48, 58}}, {"xcku", {59, 59}}};
    for (const auto &[prefix, range] : blocks) {
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(names[i].startsWith(prefix), i >= range.first && i <= range.second);
    }
}

void WindowTest::clockCatalogue()
{
    QComboBox *clock = find<QComboBox>("cbB_clock");
    QCOMPARE(itemTexts(clock), QStringList({"30000000", "15000000", "10000000"}));
    QCOMPARE(clock->currentIndex(), 2);
    QCOMPARE(clock->currentText(), QString("10000000"));
}

void WindowTest::completerMatchesPrefixCaseSensitively()
{
    QComboBox *parts = find<QComboBox>("cbB_FPGAType");
    QCompleter *completer = parts->completer();
    QVERIFY(completer);
    QCOMPARE(completer->parent(), window.get());
    QCOMPARE(completer->model(), parts->model());
    QCOMPARE(completer->completionMode(), QCompleter::PopupCompletion);
    QCOMPARE(completer->caseSensitivity(), Qt::CaseSensitive);
    QCOMPARE(completer->filterMode(), Qt::MatchStartsWith);

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    parts->lineEdit()->clear();
    parts->lineEdit()->setFocus();
    QTest::keyClicks(parts->lineEdit(), "xc7a");
    QStringList offered;
    for (int i = 0; completer->setCurrentRow(i); ++i)
        offered << completer->currentCompletion();
    QCOMPARE(offered, QStringList({"xc7a100t", "xc7a12t", "xc7a15t", "xc7a200t", "xc7a25t",
                                   "xc7a35t", "xc7a50t", "xc7a75t"}));
    QVERIFY(completer->popup()->isVisible());

    completer->setCompletionPrefix("XC7A");
    QCOMPARE(completer->completionCount(), 0);
}

void WindowTest::typedTextsAreKept()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QComboBox *parts = find<QComboBox>("cbB_FPGAType");
    parts->lineEdit()->selectAll();
    QTest::keyClicks(parts->lineEdit(), "XC7Z020-custom");
    QCOMPARE(parts->currentText(), QString("XC7Z020-custom"));

    QComboBox *clock = find<QComboBox>("cbB_clock");
    clock->lineEdit()->selectAll();
    QTest::keyClicks(clock->lineEdit(), "12 MHz");
    QCOMPARE(clock->currentText(), QString("12 MHz"));

    // A typed number that begins a listed one stays as typed, and is the
    // clock the job runs at, Enter included.
    for (const char *typed : {"30000", "1500", "3"}) {
        clock->lineEdit()->selectAll();
        QTest::keyClicks(clock->lineEdit(), typed);
        QCOMPARE(clock->currentText(), QString(typed));
        QCOMPARE(clock->lineEdit()->text(), QString(typed));
    }
    QTest::keyClick(clock->lineEdit(), Qt::Key_Return);
    QCOMPARE(clock->currentText(), QString("3"));

    // Typing does not add catalogue entries.
    QCOMPARE(parts->count(), static_cast<int>(feldmoor::kPartCount));
    QCOMPARE(clock->count(), 3);
}

void WindowTest::teardownClearsTheInstance()
{
    QPointer<QProcess> process = WindowInternals::downloadProcess(*window);
    window.reset();
    QCOMPARE(widgetInstance.load(), nullptr);
    QVERIFY(process.isNull());

    window = std::make_unique<Widget>();
    QCOMPARE(widgetInstance.load(), window.get());
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
