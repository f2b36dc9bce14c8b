#include "windowdriver.h"

#include "eventwait.h"
#include "widgetinspector.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

QStringList logLines(Widget &window)
{
    return window.findChild<QPlainTextEdit *>("plainTextEdit")->toPlainText().split('\n');
}

QString downloadButtonText(Widget &window)
{
    return window.findChild<QPushButton *>("pB_download")->text();
}

void pressDownload(Widget &window)
{
    window.findChild<QPushButton *>("pB_download")->click();
}

QProcess *downloadProcess(Widget &window)
{
    return WidgetInspector::downloadProcess(window);
}

bool waitForIdle(Widget &window, int ms)
{
    return runEventLoopUntil([&window] { return !WidgetInspector::isDownloading(window); }, ms);
}

QStringList readRecordedArguments(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList arguments;
    const QList<QByteArray> parts = file.readAll().split('\0');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i)
        arguments << QString::fromUtf8(parts[i]);
    return arguments;
}
