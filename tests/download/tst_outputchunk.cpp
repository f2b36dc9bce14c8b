#include "download/outputchunk.h"
#include "download/progresspercent.h"

#include <QTest>

#include <limits>

class TestOutputChunk : public QObject
{
    Q_OBJECT

private slots:
    void eraseRestart_data();
    void eraseRestart();
    void progressRecognition_data();
    void progressRecognition();
    void percentOfFile_data();
    void percentOfFile();
    void noPercent_data();
    void noPercent();
    void logText_data();
    void logText();
};

void TestOutputChunk::eraseRestart_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("restart");

    const QByteArray report = QByteArrayLiteral(" sector 0 erased too fast"); // 25 bytes
    QTest::newRow("short report") << report << true;
    QTest::newRow("27 bytes") << (report + "\r\n") << true;
    QTest::newRow("28 bytes") << (report + "\r\n ") << false;
    QTest::newRow("sector at byte 0") << QByteArrayLiteral("sector 0 erased") << false;
    // Only the first occurrence counts, even when a later one would qualify.
    QTest::newRow("sector at 0 and later") << QByteArrayLiteral("sector, sector") << false;
    QTest::newRow("sector at the end") << QByteArrayLiteral("erasing sector") << true;
    QTest::newRow("upper case") << QByteArrayLiteral(" Sector 0") << false;
    QTest::newRow("no sector") << QByteArrayLiteral("Info : erasing") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("long erase log") << QByteArrayLiteral("Info : erasing sector 3 of 64, please wait") << false;
}

void TestOutputChunk::eraseRestart()
{
    QFETCH(QByteArray, chunk);
    QFETCH(bool, restart);
    QCOMPARE(isEraseRestartChunk(chunk), restart);
}

void TestOutputChunk::progressRecognition_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("progress");
    QTest::addColumn<int>("bytes");

    QTest::newRow("report") << QByteArrayLiteral("0x00000400\r\n") << true << 0x400;
    QTest::newRow("short report") << QByteArrayLiteral("0x400") << true << 0x400;
    QTest::newRow("upper-case digits") << QByteArrayLiteral("0x00000A80") << true << 0xA80;
    QTest::newRow("only eight digits") << QByteArrayLiteral("0x000010001") << true << 0x1000;
    QTest::newRow("beyond int") << QByteArrayLiteral("0xFFFFFFFF") << true << 0;
    QTest::newRow("not hex") << QByteArrayLiteral("0xZZ\r\n") << true << 0;
    QTest::newRow("0x alone") << QByteArrayLiteral("0x") << true << 0;
    QTest::newRow("upper-case X") << QByteArrayLiteral("0X00000400") << false << 0x400;
    QTest::newRow("blank before") << QByteArrayLiteral(" 0x00000400") << false << 0;
    QTest::newRow("one byte") << QByteArrayLiteral("0") << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
}

void TestOutputChunk::progressRecognition()
{
    QFETCH(QByteArray, chunk);
    QFETCH(bool, progress);
    QFETCH(int, bytes);
    QCOMPARE(isProgressChunk(chunk), progress);
    if (progress)
        QCOMPARE(progressBytes(chunk), bytes);
}

void TestOutputChunk::percentOfFile_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<float>("exact");
    QTest::addColumn<int>("whole");

    QTest::newRow("quarter") << QByteArrayLiteral("0x00000400") << 4096u << 25.0f << 25;
    QTest::newRow("fraction") << QByteArrayLiteral("0x00000A80") << 4096u << 65.625f << 65;
    QTest::newRow("truncated, not rounded") << QByteArrayLiteral("0x00000FFF") << 4096u << 99.975586f << 99;
    QTest::newRow("done") << QByteArrayLiteral("0x00001000") << 4096u << 100.0f << 100;
    QTest::newRow("beyond the size") << QByteArrayLiteral("0x00002000") << 4096u << 200.0f << 200;
    QTest::newRow("unreadable count") << QByteArrayLiteral("0xZZ") << 4096u << 0.0f << 0;
    // The size is unsigned: past 2^31 it must not turn negative.
    QTest::newRow("file above 2 GiB") << QByteArrayLiteral("0x40000000") << 0x80000000u << 50.0f << 50;
}

void TestOutputChunk::percentOfFile()
{
    QFETCH(QByteArray, chunk);
    QFETCH(quint32, fileSize);
    QFETCH(float, exact);
    QFETCH(int, whole);
    const std::optional<ProgressPercent> percent = progressPercent(progressBytes(chunk), fileSize);
    QVERIFY(percent.has_value());
    QCOMPARE(percent->exact, exact);
    QCOMPARE(percent->whole, whole);
}

void TestOutputChunk::noPercent_data()
{
    QTest::addColumn<int>("bytesWritten");
    QTest::addColumn<quint32>("fileSize");
    QTest::newRow("empty file") << 0x400 << 0u;
    QTest::newRow("nothing of an empty file") << 0 << 0u;
    QTest::newRow("ratio beyond int") << std::numeric_limits<int>::max() << 1u;
    QTest::newRow("just beyond int") << 21474837 << 1u; // 2147483700 %
    QTest::newRow("far below int") << std::numeric_limits<int>::min() << 1u;
}

void TestOutputChunk::noPercent()
{
    QFETCH(int, bytesWritten);
    QFETCH(quint32, fileSize);
    QCOMPARE(progressPercent(bytesWritten, fileSize).has_value(), false);
}

void TestOutputChunk::logText_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("text");
    QTest::newRow("three lines") << QByteArrayLiteral("Info : one\r\nInfo : two\n  three\n")
                                 << QStringLiteral("Info : one Info : two three");
    QTest::newRow("blank runs") << QByteArrayLiteral("\ta \t b ") << QStringLiteral("a b");
    QTest::newRow("only line ends") << QByteArrayLiteral("\r\n\r\n") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestOutputChunk::logText()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, text);
    QCOMPARE(chunkLogText(chunk), text);
}

QTEST_GUILESS_MAIN(TestOutputChunk)
#include "tst_outputchunk.moc"
