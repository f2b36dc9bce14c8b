// The loader's parsers and the texts it is held to, directly: the .bit
// header, the IDCODE packet, CSV and shell quoting, the progress line, what
// OpenOCD prints, the exit-code tables, and the tool's output judged line by
// line.

#include "hexrecord.h"

#include "cli/boardrecord.h"
#include "cli/records/boardreport.h"
#include "cli/records/csvread.h"
#include "cli/records/recordjournal.h"
#include "engine/bytecount.h"
#include "cli/exitcodes.h"
#include "engine/flashgeometry.h"
#include "engine/imagefile.h"
#include "engine/mcsfile.h"
#include "cli/mcstexts.h"
#include "cli/outcometexts.h"
#include "engine/serialsector.h"
#include "cli/records/serialformat.h"
#include "cli/progressline.h"
#include "cli/rangetexts.h"
#include "cli/shellquote.h"
#include "engine/toolcommands.h"
#include "engine/toolrun.h"
#include "engine/tooloutput.h"

#include "download/commandcomposition.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace cli;
using namespace engine;

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

QByteArray upperAddress(int upper)
{
    return hexRecord(4, 0, QByteArray::fromHex(QByteArray::number(upper, 16).rightJustified(4, '0')));
}

const QByteArray kEnd = ":00000001FF\r\n";

// What `flash banks` and `flash info 0` print for a bank of `sectors`
// sectors of `sectorSize` bytes, as OpenOCD 0.12 words it.
QString flashInfoText(int sectors, int sectorSize)
{
    const quint64 size = quint64(sectors) * quint64(sectorSize);
    QString text = QStringLiteral("#0 : xc7.spi (jtagspi) at 0x00000000, size 0x%1, buswidth 0, chipwidth 0\n\n"
                                  "Info : Flash protection check is not implemented.\n"
                                  "#0 : jtagspi at 0x00000000, size 0x%1, buswidth 0, chipwidth 0\n")
                       .arg(size, 8, 16, QLatin1Char('0'));
    for (int sector = 0; sector < sectors; ++sector)
        text += QStringLiteral("\t#%1: 0x%2 (0x%3 %4kB) not protected\n")
                    .arg(sector, 3)
                    .arg(quint64(sector) * sectorSize, 8, 16, QLatin1Char('0'))
                    .arg(sectorSize, 0, 16)
                    .arg(sectorSize / 1024);
    return text + QStringLiteral("flash 'micron n25q128', device id = 0x18ba20, flash size = %1 kbytes\n"
                                 "(page size = 256, read = 0x03, qread = 0xeb, pprog = 0x02, mass_erase = 0xc7, sector "
                                 "size = %2 kbytes, sector_erase = 0xd8)\n")
                      .arg(size / 1024)
                      .arg(sectorSize / 1024);
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

    void bitPayload()
    {
        const QByteArray data = QByteArray::fromHex("ffffffffaa995566") + QByteArray(300, '\x33');
        QCOMPARE(bitFilePayload(bitFile("7k325tffg900", data)), std::optional<QByteArray>(data));
        QCOMPARE(bitFilePayload(bitFile("7k325tffg900", data).chopped(1)), std::nullopt);
    }

    void mcsImage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("start");       // -1: refused
        QTest::addColumn<QByteArray>("image");   // refused: the error's line, as text
        QTest::addColumn<int>("segments");
        const QByteArray a = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        const QByteArray b = QByteArray::fromHex("0102030405060708");
        QTest::newRow("one run") << upperAddress(0) + hexRecord(0, 0, a) + hexRecord(0, 16, b) + kEnd << qint64(0)
                                 << a + b << 1;
        QTest::newRow("gap filled with 0xFF")
            << upperAddress(0) + hexRecord(0, 0x10, a) + hexRecord(0, 0x28, b) + kEnd << qint64(0x10)
            << a + QByteArray(8, '\xff') + b << 2;
        QTest::newRow("extended address, records out of order")
            << upperAddress(0x40) + hexRecord(0, 0x10, b) + upperAddress(0x40) + hexRecord(0, 0, a) + kEnd
            << qint64(0x400000) << a + b << 1;
        QTest::newRow("lower case, no final line end")
            << upperAddress(1).toLower() + hexRecord(0, 0, b).toLower() + kEnd.trimmed() << qint64(0x10000) << b << 1;
        QByteArray badSum = hexRecord(0, 16, b);
        badSum[badSum.size() - 3] = badSum.at(badSum.size() - 3) == '0' ? '1' : '0';
        QTest::newRow("bad checksum") << upperAddress(0) + hexRecord(0, 0, a) + badSum + kEnd << qint64(-1)
                                      << QByteArray("3") << 0;
        QTest::newRow("segment address record (02)")
            << hexRecord(0, 0, a) + hexRecord(2, 0, QByteArray(2, 0)) + kEnd << qint64(-1) << QByteArray("2") << 0;
        QTest::newRow("no colon") << upperAddress(0) + hexRecord(0, 0, a).mid(1) + kEnd << qint64(-1)
                                  << QByteArray("2") << 0;
        QTest::newRow("length field disagrees")
            << upperAddress(0) + hexRecord(0, 0, a).replace(":10", ":11") + kEnd << qint64(-1) << QByteArray("2") << 0;
        QTest::newRow("not hex") << upperAddress(0) + QByteArray(":10000000ZZ\r\n") + kEnd << qint64(-1)
                                 << QByteArray("2") << 0;
        QTest::newRow("cut off before the end record") << upperAddress(0) + hexRecord(0, 0, a) << qint64(-1)
                                                       << QByteArray("0") << 0;
        QTest::newRow("record after the end") << hexRecord(0, 0, a) + kEnd + hexRecord(0, 16, b) << qint64(-1)
                                              << QByteArray("3") << 0;
        QTest::newRow("same address twice") << hexRecord(0, 0, a) + hexRecord(0, 8, b) + kEnd << qint64(-1)
                                            << QByteArray("2") << 0;
    }
    void mcsImage()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, start);
        QFETCH(QByteArray, image);
        QFETCH(int, segments);
        const McsImage parsed = parseMcs(text);
        if (start < 0) {
            QVERIFY(!parsed.ok());
            QCOMPARE(QByteArray::number(parsed.line), image);
            return;
        }
        QVERIFY2(parsed.ok(), qPrintable(mcsProblemText(parsed)));
        QCOMPARE(qint64(parsed.start), start);
        QCOMPARE(parsed.bytes, image);
        QCOMPARE(int(parsed.segments.size()), segments);
    }

    void flashReport_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<qint64>("size");        // -1: not understood
        QTest::addColumn<qint64>("sectorSize");  // 0: not reported
        QTest::addColumn<QString>("eraseCheck");  // erase_address 0x10100 0x100 refused with this nearest range
        QTest::newRow("flash banks alone")
            << QStringLiteral("#0 : xc7.spi (jtagspi) at 0x00000000, size 0x01000000, buswidth 0, chipwidth 0\n")
            << qint64(0x1000000) << qint64(0) << QString();
        QTest::newRow("flash info, 256 x 64 KiB") << flashInfoText(256, 0x10000) << qint64(0x1000000)
                                                  << qint64(0x10000) << QStringLiteral("0x00010000..0x0001ffff");
        QTest::newRow("flash info, 4096 x 4 KiB") << flashInfoText(4096, 0x1000) << qint64(0x1000000) << qint64(0x1000)
                                                  << QStringLiteral("0x00010000..0x00010fff");
        QString missing = flashInfoText(256, 0x10000);
        missing.remove(QStringLiteral("\t# 17: 0x00110000 (0x10000 64kB) not protected\n"));
        QTest::newRow("a sector missing from the table") << missing << qint64(-1) << qint64(0) << QString();
        const QString info = flashInfoText(256, 0x10000);
        QTest::newRow("the table cut off after its first line")
            << info.left(info.indexOf(QLatin1String("#  1:"))) << qint64(-1) << qint64(0) << QString();
        QTest::newRow("no bank line") << QStringLiteral("Error: no flash bank\n") << qint64(-1) << qint64(0) << QString();
    }
    void flashReport()
    {
        QFETCH(QString, log);
        QFETCH(qint64, size);
        QFETCH(qint64, sectorSize);
        QFETCH(QString, eraseCheck);
        const std::optional<FlashGeometry> flash = flashGeometry(log);
        QCOMPARE(flash ? qint64(flash->size) : qint64(-1), size);
        if (!flash)
            return;
        QCOMPARE(qint64(flash->sectorSize), sectorSize);
        const std::optional<RangeProblem> refused = flashRangeProblem(*flash, {0x10100, 0x100}, RangeUse::Erase);
        const QString problem = refused ? rangeProblemText(*refused) : QString();
        QCOMPARE(problem.isEmpty(), eraseCheck.isEmpty());
        if (!eraseCheck.isEmpty())
            QVERIFY2(problem.contains(QLatin1String("nearest aligned range that covers it is ") + eraseCheck),
                     qPrintable(problem));
    }

    void flashRanges_data()
    {
        QTest::addColumn<int>("use");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("problem");  // what the refusal says; empty: allowed
        const int read = int(RangeUse::Read), erase = int(RangeUse::Erase), write = int(RangeUse::Write);
        QTest::newRow("read anywhere") << read << qint64(0x123) << qint64(0x456) << QString();
        QTest::newRow("read to the last byte") << read << qint64(0xffff00) << qint64(0x100) << QString();
        QTest::newRow("read one past") << read << qint64(0xffff00) << qint64(0x101)
                                       << QStringLiteral("0x00ffff00..0x01000000 (257 bytes) runs past the flash's end");
        QTest::newRow("read from the end") << read << qint64(0x1000000) << qint64(1)
                                           << QStringLiteral("0x01000000 is past the flash's end");
        QTest::newRow("erase whole sectors") << erase << qint64(0x20000) << qint64(0x30000) << QString();
        QTest::newRow("erase, end inside a sector")
            << erase << qint64(0x20000) << qint64(0x30001)
            << QStringLiteral("nearest aligned range that covers it is 0x00020000..0x0005ffff (--offset 0x20000 --size "
                              "0x40000)");
        QTest::newRow("write, any length") << write << qint64(0x400000) << qint64(12345) << QString();
        QTest::newRow("write inside a sector")
            << write << qint64(0x400100) << qint64(16)
            << QStringLiteral("would lose 0x00400000..0x004000ff; the nearest aligned offsets are 0x00400000 and "
                              "0x00410000");
        QTest::newRow("write into the last sector, too long")
            << write << qint64(0xff0000) << qint64(0x10001) << QStringLiteral("runs past the flash's end");
    }
    void flashRanges()
    {
        QFETCH(int, use);
        QFETCH(qint64, offset);
        QFETCH(qint64, length);
        QFETCH(QString, problem);
        const FlashGeometry flash{0x1000000, 0x10000};
        const std::optional<RangeProblem> refused =
            flashRangeProblem(flash, {quint64(offset), quint64(length)}, RangeUse(use));
        const QString found = refused ? rangeProblemText(*refused) : QString();
        QCOMPARE(found.isEmpty(), problem.isEmpty());
        QVERIFY2(found.contains(problem), qPrintable(found));
    }

    void byteCounts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");  // -1: refused
        QTest::newRow("decimal") << "4194304" << qint64(4194304);
        QTest::newRow("hex") << "0x400000" << qint64(0x400000);
        QTest::newRow("kibibytes") << "64K" << qint64(65536);
        QTest::newRow("mebibytes") << "4MiB" << qint64(0x400000);
        QTest::newRow("the last 32-bit value") << "0xffffffff" << qint64(0xffffffff);
        QTest::newRow("past 32 bits") << "4096M" << qint64(-1);
        QTest::newRow("negative") << "-1" << qint64(-1);
        QTest::newRow("unit on hex") << "0x10K" << qint64(-1);
        QTest::newRow("words") << "four" << qint64(-1);
    }
    void byteCounts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        const std::optional<quint64> parsed = parseByteCount(text);
        QCOMPARE(parsed ? qint64(*parsed) : qint64(-1), value);
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

    // What Debian's 0.12 printed when its adapter's connection was reset
    // during init (exit 0), beside runs that print some of the same lines on
    // a board that answered or on an empty chain.
    void adapterLostAtInitFromItsLog()
    {
        const QString lost = QStringLiteral(
            "Info : remote_bitbang driver initialized\n"
            "Warn : There are no enabled taps.  AUTO PROBING MIGHT NOT WORK!!\n"
            "Error: Error on socket 'remote_bitbang_fill_buf': errno==104, message: Connection reset by peer.\n"
            "Error: Trying to use configured scan chain anyway...\n"
            "Error: Error on socket 'remote_bitbang_putc': errno==32, message: Broken pipe.\n"
            "Warn : Bypassing JTAG setup events due to errors\n"
            "loaded file /d/top.bit to pld device 0 in 0s 398us\n"
            "Error: failed: -4\n");
        const std::optional<AdapterLost> found = adapterLostAtInit(lost);
        QVERIFY(found);
        QCOMPARE(found->error, QStringLiteral("Error on socket 'remote_bitbang_fill_buf': errno==104, message: "
                                              "Connection reset by peer."));
        QCOMPARE(adapterLostAtInit(QStringLiteral("Error: Trying to use configured scan chain anyway...\r\n"))->error,
                 QStringLiteral("Trying to use configured scan chain anyway..."));

        // A healthy autoprobe also bypasses the setup events.
        QVERIFY(!adapterLostAtInit(QStringLiteral(
            "Info : JTAG tap: auto0.tap tap/device found: 0x03651093 (mfg: 0x049 (Xilinx), part: 0x3651, ver: 0x0)\n"
            "Error: IR capture error at bit 4, saw 0x3fffffffffffffd1 not 0x...3\n"
            "Warn : Bypassing JTAG setup events due to errors\n")));
        // An empty chain goes on with the declared TAPs too, but it was read.
        QVERIFY(!adapterLostAtInit(QStringLiteral("Error: JTAG scan chain interrogation failed: all ones\n"
                                                  "Error: Check JTAG interface, timings, target power, etc.\n"
                                                  "Error: Trying to use configured scan chain anyway...\n"
                                                  "Warn : Bypassing JTAG setup events due to errors\n")));
        // A wrong IDCODE: the TAP answered.
        QVERIFY(!adapterLostAtInit(QStringLiteral(
            "Info : JTAG tap: xc7.tap tap/device found: 0x13631093 (mfg: 0x049 (Xilinx), part: 0x3631, ver: 0x1)\n"
            "Error: Trying to use configured scan chain anyway...\n")));
        // A refused connection fails init outright (exit 1): nothing to catch on exit 0.
        QVERIFY(!adapterLostAtInit(
            QStringLiteral("Error: Error on socket 'Failed to connect': errno==9, message: Bad file descriptor.\n")));
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
    // A line torn by a crash mid-write is skipped, and neither it nor the
    // rows around it are lost to the next append; a row that failed to send
    // stays, with those after it.
    void journalSurvivesATornLine()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString journal = journalPath(folder.path(), recordTarget(QStringLiteral("sqlite:line.db")));
        QCOMPARE(journal, journalPath(folder.path(), recordTarget(QLatin1String("sqlite:") +
                                                                  QDir::currentPath() + QLatin1String("/line.db"))));
        QVERIFY(journal != journalPath(folder.path(), recordTarget(QStringLiteral("sqlite:other.db"))));
        const auto row = [](const QString &id) {
            BoardRow board;
            board.fields = QStringList(boardRecordHeader().size(), QStringLiteral("x,\"y\""));
            board.station = QStringLiteral("bench");
            board.serialPool = QStringLiteral("sn");
            board.serialNumber = QStringLiteral("02:00:5e:00:00:01");
            board.rowId = id;
            return board;
        };
        QVERIFY(!appendToJournal(journal, row(QStringLiteral("a")), QStringLiteral("sqlite:line.db")));
        {
            QFile file(journal);
            QVERIFY(file.open(QIODevice::Append));
            file.write(journalLine(row(QStringLiteral("torn")), QString()).left(40));
        }
        QVERIFY(!appendToJournal(journal, row(QStringLiteral("b")), QStringLiteral("sqlite:line.db")));
        QVERIFY(!appendToJournal(journal, row(QStringLiteral("c")), QStringLiteral("sqlite:line.db")));
        QFile file(journal);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<BoardRow> rows = journalRows(file.readAll());
        file.close();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(1).rowId, QStringLiteral("b"));
        QCOMPARE(rows.at(2).fields, row(QStringLiteral("c")).fields);
        QCOMPARE(rows.at(2).serialNumber, QStringLiteral("02:00:5e:00:00:01"));

        QStringList sent;
        const JournalSending sending = sendJournal(journal, [&sent](const BoardRow &board) -> std::optional<QString> {
            if (board.rowId == QLatin1String("b"))
                return QStringLiteral("server gone");
            sent << board.rowId;
            return std::nullopt;
        });
        QCOMPARE(sent, QStringList({QStringLiteral("a")}));
        QCOMPARE(sending.sent, 1);
        QCOMPARE(sending.left, 2);
        QCOMPARE(sending.error, std::optional<QString>(QStringLiteral("server gone")));
        const JournalSending rest = sendJournal(journal, [&sent](const BoardRow &board) -> std::optional<QString> {
            sent << board.rowId;
            return std::nullopt;
        });
        QCOMPARE(sent, QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(rest.sent, 2);
        QVERIFY(!QFile::exists(journal));
    }

    // The CSV record read back as it was written, quotes and line ends in
    // its fields included.
    void csvRecordReadBack()
    {
        const QStringList tricky = {QStringLiteral("a,b"), QStringLiteral("say \"hi\""), QStringLiteral("two\nlines"),
                                    QString(), QStringLiteral("plain")};
        const QByteArray text = (csvLine(boardRecordHeader()) + QLatin1Char('\n') + csvLine(tricky) +
                                 QLatin1String("\r\n\n") + csvLine({QStringLiteral("last")}))
                                    .toUtf8();
        const QList<QStringList> rows = csvRows(text);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0), boardRecordHeader());
        QCOMPARE(rows.at(1), tricky);
        QCOMPARE(rows.at(2), QStringList({QStringLiteral("last")}));
    }

    // Counts, yield and median per station and file, failures by code, and
    // the rows before --since left out, on rows whose answers are known.
    void reportCountsKnownRows()
    {
        const QStringList header = {QStringLiteral("time"),      QStringLiteral("file"),
                                    QStringLiteral("sha256"),    QStringLiteral("result"),
                                    QStringLiteral("exit_code"), QStringLiteral("seconds"),
                                    QStringLiteral("host"),      QStringLiteral("station")};
        const QList<QStringList> fields = {
            {"2026-12-09T08:10:00+01:00", "a.bin", "aa", "PASS", "0", "10.0", "h", "s1"},
            {"2026-12-09T09:50:00+01:00", "a.bin", "aa", "FAIL", "7", "40.0", "h", "s1"},
            {"2026-12-09T09:05:00+01:00", "a.bin", "ab", "PASS", "0", "20.0", "h", "s2"},
            {"2026-12-09T09:06:00+01:00", "b.bin", "bb", "FAIL", "3", "1.0", "h", "s2"},
            {"2026-12-09T09:07:00+01:00", "b.bin", "bb", "FAIL", "7", "5.0", "h", "s2"},
        };
        QList<ReportRow> rows;
        for (const QStringList &row : fields)
            rows << reportRow(header, row);
        const BoardReport report = summarize(rows);
        QCOMPARE(report.all.boards, 5);
        QCOMPARE(report.all.passed, 2);
        QCOMPARE(*report.all.yield(), 0.4);
        QCOMPARE(*report.all.medianSeconds(), 10.0);
        QCOMPARE(report.stations.size(), 2);
        QCOMPARE(report.stations.at(0).station, QStringLiteral("s1"));
        QCOMPARE(*report.stations.at(0).tally.medianSeconds(), 25.0);  // the middle two's mean
        QCOMPARE(report.stations.at(1).tally.failed(), 2);
        // One file name, two contents: two lines.
        QCOMPARE(report.files.size(), 3);
        QCOMPARE(report.files.at(1).sha256, QStringLiteral("ab"));
        QCOMPARE(report.failures, (QMap<int, int>{{3, 1}, {7, 2}}));
        QCOMPARE(report.hours.size(), 3);  // 07:00 UTC at s1, 08:00 at s1 and at s2
        QCOMPARE(report.hours.at(2).failed, 2);

        // A CSV record has no station column: its host is the station.
        QCOMPARE(reportRow(header.mid(0, 7), fields.at(0)).station, QStringLiteral("h"));
        const std::optional<QDateTime> since = recordTime(QStringLiteral("2026-12-09T08:06:00Z"));  // 09:06 at +01:00
        QVERIFY(since);
        QList<ReportRow> later;
        for (const ReportRow &row : rows) {
            if (withinReport(row, since))
                later << row;
        }
        QCOMPARE(later.size(), 3);
        QVERIFY(recordTime(QStringLiteral("2026-12-09")));
        QVERIFY(!recordTime(QStringLiteral("yesterday")));
        QVERIFY(!summarize({}).all.yield());
    }

    // Each format's bytes in the flash and its text in the row.
    void serialFormats()
    {
        const struct {
            const char *format;
            quint64 value;
            QByteArray bytes;
            const char *text;
        } cases[] = {
            {"u32le", 0x01020304, QByteArray::fromHex("04030201"), "16909060"},
            {"u32be", 0x01020304, QByteArray::fromHex("01020304"), "16909060"},
            {"u64le", 0x0102030405060708, QByteArray::fromHex("0807060504030201"), "72623859790382856"},
            {"u64be", 5, QByteArray::fromHex("0000000000000005"), "5"},
            {"mac", 0x02005e000001, QByteArray::fromHex("02005e000001"), "02:00:5e:00:00:01"},
            {"text:6", 42, QByteArray("000042"), "000042"},
        };
        for (const auto &entry : cases) {
            const std::optional<SerialFormat> format = parseSerialFormat(QLatin1String(entry.format));
            QVERIFY(format);
            QCOMPARE(serialBytes(*format, entry.value), entry.bytes);
            QCOMPARE(serialText(*format, entry.value), QLatin1String(entry.text));
        }
    }

    // The serial's sector, apart from the image or in its last sector: only
    // the serial's bytes change, the rest of the sector is kept, and a sector
    // a cut-off write erased gets back what it held before.
    void serialPlannedWithItsSector()
    {
        constexpr quint64 sector = 0x1000;
        JobRequest request;
        request.mode = JobRequest::Mode::Load;
        request.fileSize = 0x1800;
        const QByteArray image(0x1800, 'i');
        QByteArray held(0x2000, 'h');
        const QByteArray serialHeld(0x10000, 'o');

        request.flash.serial = SerialWrite{0x18100, QByteArray("SN")};
        const std::optional<FlashRange> read = serialReadRange(request, {0, 0x10000}, 0x10000);
        QVERIFY(read);
        const FlashRange unit = *read;
        QCOMPARE(unit.offset, quint64(0x10000));
        QCOMPARE(unit.size, quint64(0x10000));
        SectorPlan plan = planWithSerial(request, image, held, serialHeld, unit, 0, sector, {});
        QCOMPARE(plan.sectors.size(), 3);
        const SectorWork &serialSector = plan.sectors.at(2);
        QCOMPARE(serialSector.address, quint64(0x18000));
        QCOMPARE(serialSector.action, SectorAction::EraseProgram);
        QCOMPARE(serialSector.bytes, QByteArray(0x100, 'o') + "SN" + QByteArray(0x1000 - 0x102, 'o'));

        // Erased by a write that was cut off: what it held before goes back.
        QMap<quint32, QByteArray> kept;
        kept.insert(0x18, QByteArray(0x1000, 'k'));
        QByteArray erased = serialHeld;
        erased.replace(0x8000, 0x1000, QByteArray(0x1000, '\xff'));
        plan = planWithSerial(request, image, held, erased, unit, 0, sector, kept);
        QCOMPARE(plan.sectors.at(2).bytes, QByteArray(0x100, 'k') + "SN" + QByteArray(0x1000 - 0x102, 'k'));

        // Right after the image, in its last sector: planned with it.
        request.flash.serial->address = 0x1900;
        QCOMPARE(readBackSize(request, 0x10000), quint64(0x10000));
        QVERIFY(!serialReadRange(request, {0, 0x10000}, 0x10000));
        plan = planWithSerial(request, image, held, QByteArray(), FlashRange{}, 0, sector, {});
        QCOMPARE(plan.sectors.size(), 2);
        QCOMPARE(plan.sectors.at(1).bytes, QByteArray(0x800, 'i') + QByteArray(0x100, 'h') + "SN" +
                                               QByteArray(0x1000 - 0x902, 'h'));
        const FlashGeometry flash{0x1000000, sector};
        QVERIFY(!serialPlaceRefusal(request, flash));
        request.flash.serial->address = 0x17ff;
        QCOMPARE(serialPlaceRefusal(request, flash)->outcome.kind, OutcomeKind::SerialInImage);
        QCOMPARE(exitCodeOf(serialPlaceRefusal(request, flash)->outcome.kind), exitcode::kUsage);
        request.flash.serial->address = 0xffffff;
        QCOMPARE(serialPlaceRefusal(request, flash)->outcome.kind, OutcomeKind::SerialPastFlash);
        QCOMPARE(exitCodeOf(serialPlaceRefusal(request, flash)->outcome.kind), exitcode::kUsage);
    }

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

    // Every way a job can end has its words and its code, and the code is 0
    // exactly for the ends that did what was asked; a line sends a --quiet
    // reader to the tool's last lines exactly when it speaks of the log.
    void outcomesWordedAndCoded()
    {
        for (int k = 0; k <= int(OutcomeKind::Terminated); ++k) {
            const auto kind = OutcomeKind(k);
            QCOMPARE(exitCodeOf(kind) == exitcode::kOk, succeeded(kind));
            for (int st = 0; st <= int(StepKind::Reload); ++st) {
                Outcome outcome;
                outcome.kind = kind;
                outcome.step = StepKind(st);
                outcome.file = QStringLiteral("/tmp/top.bin");
                outcome.part = QStringLiteral("xc7a35t");
                outcome.problem = RangeProblem{RangeProblem::Reason::RunsPastEnd, {0x100000, 0x10000}, {0xff000, 0x2000}};
                const QString text = outcomeText(outcome);
                const QString where = QStringLiteral("kind %1, step %2: %3").arg(k).arg(st).arg(text);
                QVERIFY2(text.isEmpty() == (kind == OutcomeKind::Passed), qPrintable(where));
                QVERIFY2(pointsAtLog(kind) == text.contains(QLatin1String("log above")), qPrintable(where));
            }
        }
        QStringList names;
        for (int st = 0; st <= int(StepKind::Reload); ++st) {
            const QString name = stepName(StepKind(st));
            QVERIFY2(!name.isEmpty() && !names.contains(name), qPrintable(name));
            names << name;
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
