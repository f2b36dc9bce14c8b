// The loader's parsers and the texts it is held to, directly: the .bit
// header, the IDCODE packet, CSV and shell quoting, the progress line, what
// OpenOCD prints, the exit-code tables, and the tool's output judged line by
// line.

#include "cli/boardrecord.h"
#include "cli/exitcodes.h"
#include "cli/imagefile.h"
#include "cli/progressline.h"
#include "cli/shellquote.h"
#include "cli/toolcommands.h"
#include "cli/toolrun.h"
#include "cli/tooloutput.h"

#include "download/commandcomposition.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using namespace cli;

namespace {

QByteArray field(char key, const QByteArray &value)
{
    const int size = value.size();
    return QByteArray(1, key) + char(size >> 8) + char(size & 0xff) + value;
}

QByteArray bitFile(const QByteArray &part, const QByteArray &data)
{
    QByteArray bytes("\x00\x09\x0f\xf0\x0f\xf0\x0f\xf0\x0f\xf0\x00\x00\x01", 13);
    bytes += field('a', "top;UserID=0XFFFFFFFF") + field('b', part + '\0') + field('c', "2026/12/08") +
             field('d', "12:00:00");
    const quint32 size = static_cast<quint32>(data.size());
    bytes += 'e';
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += char((size >> shift) & 0xff);
    return bytes + data;
}

QString sourceFile(const char *relative)
{
    QFile file(QStringLiteral(FELDMOOR_SOURCE_DIR "/") + QLatin1String(relative));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class CliParts : public QObject {
    Q_OBJECT

private slots:
    void bitHeader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("part");  // "-" for not a valid .bit
        const QByteArray data(64, '\x5a');
        QTest::newRow("xilinx form") << bitFile("7k325tffg900", data) << "xc7k325t";
        QTest::newRow("catalogue name") << bitFile("xc7a35t", data) << "xc7a35t";
        QTest::newRow("longest name wins") << bitFile("7a100tcsg324", data) << "xc7a100t";
        QTest::newRow("unknown part") << bitFile("7z020clg400", data) << "";
        QTest::newRow("cut in the data") << bitFile("7k325tffg900", data).chopped(1) << "-";
        QTest::newRow("no magic") << QByteArray("hello world, not a bit file") << "-";
        QTest::newRow("empty data") << bitFile("7k325tffg900", QByteArray()) << "-";
    }
    void bitHeader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, part);
        const std::optional<QString> named = bitFilePart(bytes);
        QCOMPARE(named.has_value(), part != QLatin1String("-"));
        if (named)
            QCOMPARE(cataloguePartOfBitField(*named), part);
    }

    void idcodePacket_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("idcode");  // -1: none
        const QByteArray sync = QByteArray::fromHex("ffffffffaa995566");
        QTest::newRow("after a nop") << sync + QByteArray::fromHex("200000003001800103651093") << qint64(0x03651093);
        QTest::newRow("no sync word") << QByteArray::fromHex("ffffffff3001800103651093") << qint64(-1);
        // Packets are words from the sync word on: a byte-shifted match is no packet.
        QTest::newRow("unaligned") << sync + QByteArray::fromHex("0030018001036510930000") << qint64(-1);
        QTest::newRow("value cut off") << sync + QByteArray::fromHex("30018001") << qint64(-1);
    }
    void idcodePacket()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, idcode);
        const std::optional<quint32> found = binImageIdcode(bytes);
        QCOMPARE(found ? qint64(*found) : qint64(-1), idcode);
    }

    void quoting()
    {
        QCOMPARE(csvLine({QStringLiteral("a"), QStringLiteral("b,c"), QStringLiteral("say \"hi\""), QString()}),
                 QStringLiteral("a,\"b,c\",\"say \"\"hi\"\"\","));
        QCOMPARE(shellQuote(QStringLiteral("/plain/path-1.bin")), QStringLiteral("/plain/path-1.bin"));
        QCOMPARE(shellQuote(QStringLiteral("it's [v2]")), QStringLiteral("'it'\\''s [v2]'"));
        QCOMPARE(shellQuote(QString()), QStringLiteral("''"));
    }

    void progressText()
    {
        QCOMPARE(byteSize(300), QStringLiteral("300 B"));
        QCOMPARE(byteSize(512 * 1024), QStringLiteral("512 KiB"));
        QCOMPARE(byteSize(3 * 1024 * 1024 / 2), QStringLiteral("1.5 MiB"));
        QCOMPARE(progressLine(512 * 1024, 1024 * 1024, 50, 2.0, 10),
                 QStringLiteral("[#####     ]  50 %  512 KiB / 1.0 MiB  256 KiB/s  0:02 left"));
        // No rate before there is anything to measure it on.
        QCOMPARE(progressLine(0, 1024, 0, 0.0, 4), QStringLiteral("[    ]   0 %  0 B / 1 KiB"));
    }

    void toolText()
    {
        QCOMPARE(tapFoundIdcode(QStringLiteral("x\nInfo : JTAG tap: auto0.tap tap/device found: 0x03651093 (mfg: "
                                               "0x049 (Xilinx), part: 0x3651, ver: 0x0)\n")),
                 std::optional<quint32>(0x03651093));
        QCOMPARE(tapFoundIdcode(QStringLiteral("Error: JTAG scan chain interrogation failed: all ones")), std::nullopt);
        QCOMPARE(statusRegisterValue(QStringLiteral("virtex2 status register: 0x401079fc")),
                 std::optional<quint32>(0x401079fc));
        QCOMPARE(chunkLines("one\r\n\r\n  \ntwo"), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
    }

    // The loader's runs share the window's adapter, clock, scripts and proxy.
    void loaderListsShareTheWindowsPieces()
    {
        DownloadRequest window{QStringLiteral("xc7a35t"), QStringLiteral("30000000"), FileKind::Bin,
                               QStringLiteral("/d/top file.bin"), QStringLiteral("/app")};
        const QStringList load = composeDownloadCommand(window).arguments;
        const QStringList verify = composeVerifyCommand(window, {}, 0x400000).arguments;
        QCOMPARE(verify.mid(0, 10), load.mid(0, 10));
        QCOMPARE(verify.mid(10), QStringList({QStringLiteral("-c"),
                                              QStringLiteral("flash verify_bank 0 /d/top\\ file.bin 0x400000;"),
                                              QStringLiteral("-c"), QStringLiteral("exit")}));
        QCOMPARE(composeReadStatusCommand(window, {}).arguments.mid(0, 6), load.mid(0, 6));
        QCOMPARE(composeDetectCommand(window, {}).arguments.mid(0, 4), load.mid(0, 4));
        // A chosen adapter comes right after the driver line, before init.
        const QStringList chosen = composeDownloadCommand(window, {QStringLiteral("1-2.3"), QString()}).arguments;
        QCOMPARE(chosen.mid(0, 2), load.mid(0, 2));
        QCOMPARE(chosen.at(3), QStringLiteral("adapter usb location 1-2.3;"));
        QCOMPARE(chosen.mid(4), load.mid(2));
        QCOMPARE(composeDetectCommand(window, {QStringLiteral("1-2"), QStringLiteral("A B")}).arguments.at(3),
                 QStringLiteral("adapter serial A\\ B;"));
    }

    // Two reports in one read are both judged, as if each had come alone.
    void mergedReportsJudgedLineByLine()
    {
        qputenv("FELDMOOR_TOOLRUN_CHILD", "1");
        ToolRun run;
        QList<qint64> progress;
        QStringList erases;
        QStringList lines;
        connect(&run, &ToolRun::progress, this, [&](qint64 bytes) { progress << bytes; });
        connect(&run, &ToolRun::tooFastErase, this, [&](const QString &report) { erases << report; });
        connect(&run, &ToolRun::logLine, this, [&](const QString &line) { lines << line; });
        QSignalSpy finished(&run, &ToolRun::finished);
        run.start({QCoreApplication::applicationFilePath(), {}}, true);
        QVERIFY(finished.wait(30000));
        qunsetenv("FELDMOOR_TOOLRUN_CHILD");
        QCOMPARE(progress, QList<qint64>({0x1000, 0x2000}));
        QCOMPARE(erases, QStringList{QStringLiteral("Warn: sector 0 took 3ms")});
        QCOMPARE(lines, QStringList({QStringLiteral("Warn: sector 0 took 3ms"), QStringLiteral("Info : last")}));
        const auto exit = finished.first().first().value<ToolRun::Exit>();
        QCOMPARE(exit.code, 3);
        QVERIFY(!exit.crashed && !exit.endedFromOutside);
    }

    // --help, the manual page and the README give every code the same meaning.
    void exitCodesStatedOnce()
    {
        const QString help = exitCodeTable();
        const QString manual = sourceFile("packaging/linux/feldmoor-cli.1.in");
        const QString readme = sourceFile("README.md");
        QVERIFY(!manual.isEmpty() && !readme.isEmpty());
        int readmeRows = 0;
        for (const QString &line : readme.split(QLatin1Char('\n')))
            readmeRows += line.contains(QRegularExpression(QStringLiteral("^\\| [0-9]+ \\| ")));
        QCOMPARE(readmeRows, int(std::size(kExitCodes)));
        for (const ExitCodeMeaning &meaning : kExitCodes) {
            const QString code = QString::number(meaning.code);
            QVERIFY2(help.contains(QStringLiteral("  %1 %2\n").arg(code, -4).arg(QLatin1String(meaning.help))),
                     meaning.help);
            QVERIFY2(manual.contains(QLatin1Char('\n') + code + QLatin1Char('\t') + QLatin1String(meaning.brief) +
                                     QLatin1Char('\n')),
                     meaning.brief);
            QVERIFY2(readme.contains(QStringLiteral("\n| %1 | %2").arg(code, QLatin1String(meaning.brief))),
                     meaning.brief);
        }
    }
};

int main(int argc, char *argv[])
{
    // Started by mergedReportsJudgedLineByLine as the tool: everything in one
    // write, as a reader that stayed away from the pipe would get it.
    if (qEnvironmentVariableIsSet("FELDMOOR_TOOLRUN_CHILD")) {
        const char output[] = "0x00001000\r\n0x00002000\r\nWarn: sector 0 took 3ms\r\nInfo : last";
        std::fwrite(output, 1, sizeof output - 1, stdout);
        return 3;
    }
    QCoreApplication app(argc, argv);
    qRegisterMetaType<ToolRun::Exit>();
    CliParts suite;
    return QTest::qExec(&suite, argc, argv);
}
#include "tst_cliparts.moc"
