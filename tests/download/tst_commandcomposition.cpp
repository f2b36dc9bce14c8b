#include "download/commandcomposition.h"
#include "download/partfamily.h"
#include "download/commandpieces.h"

#include <QTest>

namespace {

DownloadRequest request(const QString &part, const QString &clock, FileKind kind, const QString &file)
{
    return { part, clock, kind, file, QStringLiteral("C:/Tools") };
}

// Every command text goes after its own "-c".
void verifyCommandsFollowOptions(const QStringList &arguments)
{
    QCOMPARE(arguments.size() % 2, 0);
    for (int i = 0; i < arguments.size(); i += 2)
        QCOMPARE(arguments.at(i), QStringLiteral("-c"));
}

} // namespace

class TestCommandComposition : public QObject
{
    Q_OBJECT

private slots:
    void bitWorkedExample();
    void binWorkedExample();
    void perPart_data();
    void perPart();
    void programPathForThisPlatform();
    void emptyFilePath();
    void pathWithBlanksAndBrackets();
    void clockKilohertz_data();
    void clockKilohertz();
    void familyRecognition_data();
    void familyRecognition();
    void loaderFamilyBeyondTheWindowsLists();
    void fileKindFromComboIndex();
};

void TestCommandComposition::bitWorkedExample()
{
    const DownloadCommand command = composeDownloadCommand(
            request(QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bit, QStringLiteral("D:/fpga/top.bit")));
    const QStringList expected{
        QStringLiteral("-c"), QStringLiteral("adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;"),
        QStringLiteral("-c"), QStringLiteral("adapter speed 10000;"),
        QStringLiteral("-c"), QStringLiteral("source [find cpld/xilinx-xc7.cfg];"),
        QStringLiteral("-c"), QStringLiteral("source [find cpld/jtagspi.cfg];"),
        QStringLiteral("-c"), QStringLiteral("init; pld load 0 D:/fpga/top.bit"),
        QStringLiteral("-c"), QStringLiteral("exit"),
    };
    // A list mismatch is reported with the first differing position.
    QCOMPARE(command.arguments, expected);
}

void TestCommandComposition::binWorkedExample()
{
    const DownloadCommand command = composeDownloadCommand(
            request(QStringLiteral("xc7a35t"), QStringLiteral("30000000"), FileKind::Bin, QStringLiteral("D:/fpga/top.bin")));
    const QStringList expected{
        QStringLiteral("-c"), QStringLiteral("adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;"),
        QStringLiteral("-c"), QStringLiteral("adapter speed 30000;"),
        QStringLiteral("-c"), QStringLiteral("source [find cpld/xilinx-xc7.cfg];"),
        QStringLiteral("-c"), QStringLiteral("source [find cpld/jtagspi.cfg];"),
        QStringLiteral("-c"), QStringLiteral("init; jtagspi_init 0 C:/Tools/FPGABit/bscan_spi_xc7a35t.bit;"),
        QStringLiteral("-c"), QStringLiteral("jtagspi_program D:/fpga/top.bin 0x0;"),
        QStringLiteral("-c"), QStringLiteral("xc7_program xc7.tap;"),
        QStringLiteral("-c"), QStringLiteral("exit"),
    };
    QCOMPARE(command.arguments, expected);
}

void TestCommandComposition::perPart_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("flashInit");
    QTest::addColumn<QString>("reload");

    QTest::newRow("spartan-6") << QStringLiteral("xc6slx9") << QStringLiteral("source [find cpld/xilinx-xc6s.cfg];")
                               << QStringLiteral("init; jtagspi_init 0 C:/Tools/FPGABit/bscan_spi_xc6slx9.bit;")
                               << QStringLiteral("xc6_program xc6.tap;");
    QTest::newRow("spartan-3") << QStringLiteral("xc3s500e") << QStringLiteral("source [find cpld/xilinx-xc6s.cfg];")
                               << QStringLiteral("init; jtagspi_init 0 C:/Tools/FPGABit/bscan_spi_xc3s500e.bit;")
                               << QStringLiteral("xc3_program xc3.tap;");
    QTest::newRow("suffix kept") << QStringLiteral("xc7k325t-debug") << QStringLiteral("source [find cpld/xilinx-xc7.cfg];")
                                 << QStringLiteral("init; jtagspi_init 0 C:/Tools/FPGABit/bscan_spi_xc7k325t-debug.bit;")
                                 << QStringLiteral("xc7_program xc7.tap;");
    QTest::newRow("unknown family") << QStringLiteral("xcku040") << QStringLiteral("source [find cpld/];")
                                    << QStringLiteral("init; jtagspi_init 0 C:/Tools/FPGABit/bscan_spi_xcku040.bit;")
                                    << QStringLiteral("xck_program xck.tap;");
}

void TestCommandComposition::perPart()
{
    QFETCH(QString, part);
    QFETCH(QString, source);
    QFETCH(QString, flashInit);
    QFETCH(QString, reload);

    const QStringList arguments =
            composeDownloadCommand(request(part, QStringLiteral("30000000"), FileKind::Bin, QStringLiteral("D:/fpga/top.bin")))
                    .arguments;
    verifyCommandsFollowOptions(arguments);
    QCOMPARE(arguments.at(5), source);
    QCOMPARE(arguments.at(9), flashInit);
    QCOMPARE(arguments.at(13), reload);

    // A Bit run names the same family script.
    const QStringList bitArguments =
            composeDownloadCommand(request(part, QStringLiteral("30000000"), FileKind::Bit, QStringLiteral("D:/fpga/top.bit")))
                    .arguments;
    verifyCommandsFollowOptions(bitArguments);
    QCOMPARE(bitArguments.at(5), source);
}

void TestCommandComposition::programPathForThisPlatform()
{
    const QString program = composeDownloadCommand(
            request(QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bit, QStringLiteral("D:/fpga/top.bit")))
                                    .program;
#ifdef Q_OS_WIN
    QCOMPARE(program, QStringLiteral("C:/Tools\\OpenOCD_QB562\\bin\\openocd.exe"));
#else
    QCOMPARE(program, QStringLiteral("C:/Tools/OpenOCD_QB562/bin/openocd.exe"));
#endif
}

void TestCommandComposition::emptyFilePath()
{
    const QStringList bit =
            composeDownloadCommand(request(QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bit, QString()))
                    .arguments;
    QCOMPARE(bit.size(), 12);
    QCOMPARE(bit.at(9), QStringLiteral("init; pld load 0 "));

    const QStringList bin =
            composeDownloadCommand(request(QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bin, QString()))
                    .arguments;
    QCOMPARE(bin.size(), 16);
    QCOMPARE(bin.at(11), QStringLiteral("jtagspi_program  0x0;"));
}

void TestCommandComposition::pathWithBlanksAndBrackets()
{
    const QString file = QStringLiteral("D:/my fpga/top [v2].bin");
    const QStringList bin =
            composeDownloadCommand(request(QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bin, file))
                    .arguments;
    QCOMPARE(bin.at(11), QStringLiteral("jtagspi_program D:/my\\ fpga/top\\ \\[v2\\].bin 0x0;"));

    const QStringList bit =
            composeDownloadCommand(request(QStringLiteral("xc7a35t"), QStringLiteral("10000000"), FileKind::Bit, file))
                    .arguments;
    QCOMPARE(bit.at(9), QStringLiteral("init; pld load 0 D:/my\\ fpga/top\\ \\[v2\\].bin"));

    // The part text reaches the proxy path and the family commands quoted too.
    const QStringList oddPart =
            composeDownloadCommand(request(QStringLiteral("x c7 $a"), QStringLiteral("10000000"), FileKind::Bin, file))
                    .arguments;
    QCOMPARE(oddPart.at(9), QStringLiteral("init; jtagspi_init 0 C:/Tools/FPGABit/bscan_spi_x\\ c7\\ \\$a.bit;"));
    QCOMPARE(oddPart.at(13), QStringLiteral("x\\ c_program x\\ c.tap;"));
}

void TestCommandComposition::clockKilohertz_data()
{
    QTest::addColumn<QString>("hertz");
    QTest::addColumn<QString>("kilohertz");
    QTest::newRow("30 MHz") << QStringLiteral("30000000") << QStringLiteral("30000");
    QTest::newRow("15 MHz") << QStringLiteral("15000000") << QStringLiteral("15000");
    QTest::newRow("10 MHz") << QStringLiteral("10000000") << QStringLiteral("10000");
    QTest::newRow("below 1 kHz") << QStringLiteral("999") << QStringLiteral("0");
    QTest::newRow("1 kHz") << QStringLiteral("1000") << QStringLiteral("1");
    QTest::newRow("truncated") << QStringLiteral("1999") << QStringLiteral("1");
    QTest::newRow("negative toward zero") << QStringLiteral("-1500") << QStringLiteral("-1");
    QTest::newRow("not a number") << QStringLiteral("abc") << QStringLiteral("0");
    QTest::newRow("beyond int") << QStringLiteral("99999999999") << QStringLiteral("0");
    QTest::newRow("int max") << QStringLiteral("2147483647") << QStringLiteral("2147483");
    QTest::newRow("with unit") << QStringLiteral("10 MHz") << QStringLiteral("0");
    QTest::newRow("empty") << QString() << QStringLiteral("0");
}

void TestCommandComposition::clockKilohertz()
{
    QFETCH(QString, hertz);
    QFETCH(QString, kilohertz);
    QCOMPARE(::clockKilohertz(hertz), kilohertz);
    const QStringList arguments =
            composeDownloadCommand(request(QStringLiteral("xc7a35t"), hertz, FileKind::Bit, QStringLiteral("a.bit"))).arguments;
    QCOMPARE(arguments.at(3), QStringLiteral("adapter speed ") + kilohertz + QLatin1Char(';'));
}

void TestCommandComposition::familyRecognition_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("script");
    QTest::newRow("exact prefix alone") << QStringLiteral("xc7") << QStringLiteral("xc7") << QStringLiteral("xilinx-xc7.cfg");
    QTest::newRow("upper case") << QStringLiteral("XC7A35T") << QStringLiteral("XC7") << QString();
    QTest::newRow("too short") << QStringLiteral("xc") << QStringLiteral("xc") << QString();
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("leading blank") << QStringLiteral(" xc7a35t") << QStringLiteral(" xc") << QString();
    QTest::newRow("spartan-3 uses spartan-6 script") << QStringLiteral("xc3s200") << QStringLiteral("xc3")
                                                     << QStringLiteral("xilinx-xc6s.cfg");
    QTest::newRow("spartan-6") << QStringLiteral("xc6slx45") << QStringLiteral("xc6") << QStringLiteral("xilinx-xc6s.cfg");
    QTest::newRow("other xilinx family") << QStringLiteral("xc5vlx50") << QStringLiteral("xc5") << QString();
}

void TestCommandComposition::familyRecognition()
{
    QFETCH(QString, part);
    QFETCH(QString, prefix);
    QFETCH(QString, script);
    const PartFamily family = partFamily(part);
    QCOMPARE(family.prefix, prefix);
    QCOMPARE(family.script, script);
    QCOMPARE(family.known(), !script.isEmpty());
}

// The loader knows the UltraScale family the window's lists don't: its
// script after the CHIP line, its TAP's reload, its DONE bit.
void TestCommandComposition::loaderFamilyBeyondTheWindowsLists()
{
    const PartFamily loader = partFamily(QStringLiteral("xcku040"));
    QVERIFY(loader.known() && loader.doneReadable());
    QCOMPARE(loader.facts->doneBit, 14u);
    QCOMPARE(commandpiece::familyScript(loader), QStringLiteral("set CHIP XCKU040; source [find cpld/xilinx-xcu.cfg];"));
    QCOMPARE(commandpiece::reload(loader), QStringLiteral("xcu_program xcu.tap;"));
    QVERIFY(!windowPartFamily(QStringLiteral("xcku040")).known());

    DownloadRequest load = request(QStringLiteral("xcku040"), QStringLiteral("30000000"), FileKind::Bin,
                                   QStringLiteral("D:/fpga/top.bin"));
    const QStringList arguments = composeLoadCommand(load, {}, loader).arguments;
    QCOMPARE(arguments.value(5), QStringLiteral("set CHIP XCKU040; source [find cpld/xilinx-xcu.cfg];"));
    QCOMPARE(arguments.value(13), QStringLiteral("xcu_program xcu.tap;"));
    // The 7-series list is the window's, word for word.
    load.partName = QStringLiteral("xc7a35t");
    QCOMPARE(composeLoadCommand(load, {}, partFamily(load.partName)).arguments, composeDownloadCommand(load).arguments);
}

void TestCommandComposition::fileKindFromComboIndex()
{
    QCOMPARE(fileKindFromIndex(0), FileKind::Bit);
    QCOMPARE(fileKindFromIndex(1), FileKind::Bin);
    QCOMPARE(fileKindFromIndex(-1), FileKind::Bin);
}

QTEST_GUILESS_MAIN(TestCommandComposition)
#include "tst_commandcomposition.moc"
