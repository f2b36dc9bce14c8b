#include "app/completionmessage.h"

#include <QTest>

class TestCompletionMessage : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data();
    void outcomes();
};

void TestCompletionMessage::outcomes_data()
{
    QTest::addColumn<FileKind>("kind");
    QTest::addColumn<QProcess::ExitStatus>("status");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("bin done") << FileKind::Bin << QProcess::NormalExit << 0 << QStringLiteral("BIN 文件下载完成.");
    QTest::newRow("bit done") << FileKind::Bit << QProcess::NormalExit << 0 << QStringLiteral("BIT 文件下载完成.");
    QTest::newRow("failed") << FileKind::Bin << QProcess::NormalExit << 1 << QStringLiteral("下载失败 (退出码 1)");
    QTest::newRow("failed bit") << FileKind::Bit << QProcess::NormalExit << 255 << QStringLiteral("下载失败 (退出码 255)");
    QTest::newRow("negative code") << FileKind::Bit << QProcess::NormalExit << -1073741819
                                   << QStringLiteral("下载失败 (退出码 -1073741819)");
    // A crash says nothing of the file, whatever code came with it.
    QTest::newRow("crash") << FileKind::Bin << QProcess::CrashExit << 0 << QStringLiteral("下载失败 (程序异常退出)");
    QTest::newRow("killed") << FileKind::Bit << QProcess::CrashExit << 9 << QStringLiteral("下载失败 (程序异常退出)");
}

void TestCompletionMessage::outcomes()
{
    QFETCH(FileKind, kind);
    QFETCH(QProcess::ExitStatus, status);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QCOMPARE(completionMessage(kind, status, exitCode), message);
}

QTEST_GUILESS_MAIN(TestCompletionMessage)
#include "tst_completionmessage.moc"
