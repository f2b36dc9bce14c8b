// feldmoor-cli run as a user runs it, against the OpenOCD stand-in on a
// fresh simulated bus per case, with exit codes and the board's files as
// the evidence.

#include "hexrecord.h"
#include "processcontrol.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/stat.h>
#endif

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
    bool started = true;
    QString startError;
};

QString binDir()
{
    return QCoreApplication::applicationDirPath();
}

QString exe(const QString &name)
{
#ifdef Q_OS_WIN
    return binDir() + QLatin1Char('/') + name + QLatin1String(".exe");
#else
    return binDir() + QLatin1Char('/') + name;
#endif
}

constexpr int kFlashSize = 16 * 1024 * 1024;

constexpr bool kDatabaseRecords = FELDMOOR_DATABASE_RECORDS_BUILT;
// Built with Qt SQL's SQLite driver in the client libraries' place.
constexpr bool kQtSqlRecords = FELDMOOR_QTSQL_RECORDS_BUILT;

// What the board's flash holds before a flash test: every byte known, few of
// them 0xFF, so that any byte a command changes shows. It starts as the
// board's own bitstream does (the preamble, the sync word and the xc7k325t's
// IDCODE packet), so that a reload after a write elsewhere boots from it.
const QByteArray &flashPattern()
{
    static const QByteArray pattern = [] {
        QByteArray bytes(kFlashSize, Qt::Uninitialized);
        for (quint32 i = 0; i < quint32(bytes.size()); ++i)
            bytes[i] = char((i * 131 + (i >> 16)) & 0xff);
        const QByteArray head = QByteArray::fromHex("ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
                                                    "000000bb11220044ffffffffffffffffaa995566200000003001800103651093"
                                                    "20000000");
        bytes.replace(0, head.size(), head);
        return bytes;
    }();
    return pattern;
}

// Intel HEX as the vendor's tools write a .mcs: 16 data bytes a record, an
// extended linear address record where the upper half changes.
QByteArray mcsText(const QList<std::pair<quint32, QByteArray>> &runs)
{
    QByteArray text;
    qint64 upper = -1;
    for (const auto &[start, data] : runs) {
        for (int at = 0; at < data.size(); at += 16) {
            const quint32 address = start + quint32(at);
            if (qint64(address >> 16) != upper) {
                upper = address >> 16;
                text += hexRecord(4, 0, QByteArray::fromHex(QByteArray::number(upper, 16).rightJustified(4, '0')));
            }
            text += hexRecord(0, int(address & 0xffff), data.mid(at, 16));
        }
    }
    return text + ":00000001FF\r\n";
}

// Every line of `out` is a JSON object with a type; the objects, in order.
QList<QJsonObject> jsonLines(const QByteArray &out, bool *allJson)
{
    QList<QJsonObject> objects;
    *allJson = true;
    for (const QByteArray &line : out.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject() ||
            !document.object().contains(QLatin1String("type"))) {
            qWarning("not a JSON event: %s", line.constData());
            *allJson = false;
            continue;
        }
        objects << document.object();
    }
    return objects;
}

#ifndef Q_OS_WIN
// Gone, or ended and only waiting to be reaped by whoever adopted it.
bool toolGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && (line.mid(close + 2, 1) == "Z" || line.mid(close + 2, 1) == "X");
}

// The loader's tool once it runs the command `marker` names.
qint64 toolRunning(qint64 loader, const QByteArray &marker)
{
    for (int wait = 0; wait < 600; ++wait) {
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(loader));
        if (children.open(QIODevice::ReadOnly)) {
            for (const QByteArray &child : children.readAll().trimmed().split(' ')) {
                QFile command(QStringLiteral("/proc/%1/cmdline").arg(QString::fromLatin1(child)));
                if (!child.isEmpty() && command.open(QIODevice::ReadOnly) && command.readAll().contains(marker))
                    return child.toLongLong();
            }
        }
        QTest::qWait(50);
    }
    return 0;
}
#endif

} // namespace

class CliSuite : public QObject {
    Q_OBJECT

private:
    QTemporaryDir *world_ = nullptr;

    QString path(const QString &name) const { return world_->filePath(name); }
    QString board(const QString &name = QString()) const
    {
        return world_->filePath(QLatin1String("bus/adapter0") + (name.isEmpty() ? QString() : QLatin1Char('/') + name));
    }
    void put(const QString &file, const QByteArray &text)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // A second board beside adapter0, on adapter<n>.
    QString addBoard(int n, const QString &part, const QByteArray &location = {}, const QByteArray &serial = {})
    {
        const QString dir = path(QStringLiteral("bus/adapter%1").arg(n));
        if (!QDir().mkpath(dir))
            return QString();
        put(dir + QLatin1String("/part"), part.toLatin1() + '\n');
        if (!location.isEmpty())
            put(dir + QLatin1String("/usb-location"), location + '\n');
        if (!serial.isEmpty())
            put(dir + QLatin1String("/serial"), serial + '\n');
        return dir;
    }
    QByteArray contents(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void simbit(const QStringList &arguments)
    {
        QCOMPARE(QProcess::execute(exe(QStringLiteral("simbit")), arguments), 0);
    }
    QByteArray flash() { return contents(board(QStringLiteral("flash.bin"))); }
    // The loader's temporary folder: its images and blank-check dumps go
    // there, and must be gone when it ends.
    QStringList leftInTemp() const
    {
        return QDir(path(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    QProcessEnvironment environment(const QString &scale = QStringLiteral("0")) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"TMPDIR", "TMP", "TEMP"})
            env.insert(QLatin1String(name), QDir::toNativeSeparators(path(QStringLiteral("tmp"))));
        // What a cut-off write keeps stays in the case's own folder.
        env.insert(QStringLiteral("XDG_STATE_HOME"), QDir::toNativeSeparators(path(QStringLiteral("state"))));
        env.insert(QStringLiteral("LOCALAPPDATA"), QDir::toNativeSeparators(path(QStringLiteral("state"))));
        env.insert(QStringLiteral("QB562_SIM_DIR"), QDir::toNativeSeparators(path(QStringLiteral("bus"))));
        env.insert(QStringLiteral("QB562_SIM_TIME_SCALE"), scale);
        return env;
    }
    // Wine now and then fails to create a process that exists, with an
    // "Internal error"; such a run of the loader, or of its tool, is made again.
    Run cli(const QStringList &arguments, const QByteArray &input = QByteArray(), const QString &program = QString())
    {
        for (int attempt = 1;; ++attempt) {
            const Run run = cliOnce(arguments, input, program);
            const bool spurious = run.started ? run.err.contains("could not be started") && run.err.contains("Internal error")
                                              : run.startError.contains(QLatin1String("Internal error"));
            if (!spurious || attempt == 3)
                return run;
            qInfo("a process failed to start (Wine); running the loader again");
        }
    }
    Run cliOnce(const QStringList &arguments, const QByteArray &input, const QString &program)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program.isEmpty() ? exe(QStringLiteral("feldmoor-cli")) : program, arguments);
        process.write(input);
        process.closeWriteChannel();
        Run run;
        if (!process.waitForStarted(120000)) {
            run.started = false;
            run.startError = process.errorString();
            return run;
        }
        if (!process.waitForFinished(120000))
            return run;
        run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

private slots:
    void init()
    {
        world_ = new QTemporaryDir;
        QVERIFY(world_->isValid());
        QVERIFY(QDir().mkpath(board()));
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp"))));
        simbit({QStringLiteral("bit"), QStringLiteral("xc7k325t"), path(QStringLiteral("top.bit"))});
        simbit({QStringLiteral("bin"), path(QStringLiteral("top.bin")), QStringLiteral("--size"),
                QStringLiteral("200000"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
    }

    void cleanup()
    {
        delete world_;
        world_ = nullptr;
    }

    void bitAndBinLoadedAndChecked()
    {
        Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bit"))});
        QCOMPARE(run.code, 0);
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=jtag"));
        QVERIFY(run.out.contains("virtex2 status register: 0x"));

        run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin"))});
        QCOMPARE(run.code, 0);
        const QByteArray image = contents(path(QStringLiteral("top.bin")));
        QCOMPARE(contents(board(QStringLiteral("flash.bin"))).left(image.size()), image);
        QCOMPARE(cli({QStringLiteral("verify"), path(QStringLiteral("top.bin")), QStringLiteral("--part"),
                      QStringLiteral("xc7k325t")})
                     .code,
                 0);
    }

    // One fast erase: the run restarts and succeeds. Every line is a JSON
    // object, and within each run the progress only climbs.
    void restartThenSuccessAsJsonLines()
    {
        put(board(QStringLiteral("fast-erase")), "1\n");
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--json"),
                             QStringLiteral("--full")});
        QCOMPARE(run.code, 0);
        int restarts = 0;
        int progressReports = 0;
        qint64 last = -1;
        QJsonObject result;
        for (const QByteArray &line : run.out.split('\n')) {
            if (line.isEmpty())
                continue;
            QJsonParseError error;
            const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
            const QString type = object.value(QLatin1String("type")).toString();
            if (type == QLatin1String("restart")) {
                ++restarts;
                last = -1;
            } else if (type == QLatin1String("progress")) {
                const qint64 bytes = object.value(QLatin1String("bytes")).toInteger();
                QVERIFY2(bytes > last, line.constData());
                QCOMPARE(object.value(QLatin1String("total")).toInteger(), qint64(200000));
                last = bytes;
                ++progressReports;
            } else if (type == QLatin1String("result")) {
                result = object;
            }
        }
        QCOMPARE(restarts, 1);
        QVERIFY(progressReports > 10);
        QCOMPARE(last, qint64(200000));
        QCOMPARE(result.value(QLatin1String("code")).toInt(), 0);
    }

    void restartsExhausted()
    {
        // Sectors that are not blank, so that the write erases.
        put(board(QStringLiteral("flash.bin")), flashPattern());
        put(board(QStringLiteral("fast-erase")), "3\n");
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--retries"),
                             QStringLiteral("2"), QStringLiteral("--quiet")});
        QCOMPARE(run.code, 6);
    }

    // The tool exits 0 after a rejected configuration: the window, which
    // goes by that, reports success; the loader reads DONE and does not.
    void silentRejectIsDoneLow()
    {
        put(board(QStringLiteral("silent-reject")), "");
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--quiet")}).code, 7);
        put(board(QStringLiteral("silent-reject")), "");
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--quiet")}).code, 7);

        put(board(QStringLiteral("silent-reject")), "");
        const QStringList window =
            QString::fromLocal8Bit(cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--full"),
                                        QStringLiteral("--dry-run")})
                                       .out)
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(window.size() > 2);
        QStringList words;
        for (QString word : window) {
            word = word.trimmed();  // a Windows console program ends its lines with CR LF
            if (word.startsWith(QLatin1Char('\'')))
                word = word.mid(1, word.size() - 2).replace(QLatin1String("'\\''"), QLatin1String("'"));
            words << word;
        }
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(words.first(), words.mid(1));
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(!QFile::exists(board(QStringLiteral("silent-reject"))));
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=none"));
    }

    void imagePastTheFlashEndFails()
    {
        // OpenOCD 0.12 writes what fits of it, says the contents match and
        // exits 0; the window's job run through the loader is still a failure.
        const int size = 16 * 1024 * 1024 + 4096;
        simbit({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"), QString::number(size),
                QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        // The sector read finds out before anything is written.
        const Run refused = cli({QStringLiteral("load"), path(QStringLiteral("big.bin"))});
        QCOMPARE(refused.code, 2);
        QVERIFY2(refused.err.contains("runs past the flash's end"), refused.err.constData());
        QVERIFY(!QFile::exists(board(QStringLiteral("flash.bin"))));
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("big.bin")), QStringLiteral("--full")});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains("did not fit") && run.err.contains("16777216 of the 16781312 bytes"),
                 qPrintable(run.err));
    }

    void otherPartRefusedUnlessForced()
    {
        simbit({QStringLiteral("bit"), QStringLiteral("xc7a35t"), path(QStringLiteral("a35.bit"))});
        const Run refused = cli({QStringLiteral("load"), path(QStringLiteral("a35.bit"))});
        QCOMPARE(refused.code, 8);
        QVERIFY(refused.err.contains("xc7k325t") && refused.err.contains("xc7a35t"));
        QVERIFY(!refused.out.contains("pld load") && !refused.out.contains("loaded file"));
        // The tool loads it and exits 0, as OpenOCD does: the FPGA's ID check
        // leaves DONE low, and the loader's read of it says so.
        const Run forced = cli({QStringLiteral("load"), path(QStringLiteral("a35.bit")), QStringLiteral("--force")});
        QCOMPARE(forced.code, 7);
        QVERIFY(forced.out.contains("loaded file") && forced.out.contains("a35.bit to pld device 0"));
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("error=ID_ERROR"));

        // Nothing on the chain: forced, the tool "loads" it and the status
        // register reads all ones, DONE bit included. Nothing was configured.
        put(board(QStringLiteral("part")), "none\n");
        const Run empty = cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--force")});
        QCOMPARE(empty.code, 7);
        QVERIFY2(empty.err.contains("0xffffffff") && !empty.err.contains("DONE high"), qPrintable(empty.err));
    }

    // A flash image the board's FPGA would not start from: noise with no
    // sync word (and so no IDCODE packet: the part given), and a bitstream
    // whose IDCODE packet names another part (written with --force past the
    // part check). The write succeeds, the reload leaves DONE low, and the
    // loader fails the job for it.
    void imageTheFpgaWouldNotStartFrom()
    {
        simbit({QStringLiteral("bin"), path(QStringLiteral("noise.bin")), QStringLiteral("--size"),
                QStringLiteral("100000"), QStringLiteral("--seed"), QStringLiteral("3")});
        simbit({QStringLiteral("bin"), path(QStringLiteral("a35.bin")), QStringLiteral("--size"),
                QStringLiteral("100000"), QStringLiteral("--part"), QStringLiteral("xc7a35t")});
        const QList<std::pair<QString, QStringList>> loads{
            {QStringLiteral("noise.bin"), {QStringLiteral("--part"), QStringLiteral("xc7k325t")}},
            {QStringLiteral("a35.bin"), {QStringLiteral("--part"), QStringLiteral("xc7k325t"), QStringLiteral("--force")}}};
        for (const auto &[name, options] : loads) {
            const Run run = cli(QStringList{QStringLiteral("load"), path(name)} + options);
            QVERIFY2(run.code == 7, qPrintable(name + QLatin1String(": ") + QString::fromUtf8(run.err)));
            QVERIFY2(run.err.contains("DONE stayed low after the reload from flash") &&
                         run.err.contains(QString(QLatin1String("the image written from ") + path(name)).toUtf8()),
                     qPrintable(name + QLatin1String(": ") + QString::fromUtf8(run.err)));
            const QByteArray image = contents(path(name));
            QCOMPARE(flash().left(image.size()), image);
            QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=none"));
        }
        // The same reload from a bitstream for the board's part starts it.
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--quiet")}).code, 0);
        QCOMPARE(cli({QStringLiteral("reload"), QStringLiteral("--quiet")}).code, 0);
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=flash"));
    }

    // An adapter that stops answering during init: the tool goes on past it
    // and exits 0, and would say "loaded file" for a load it never did. The
    // job fails at its first run, forced or not, and the flash is untouched.
    void adapterLostAtInit()
    {
        put(board(QStringLiteral("lost-at-init")), "");
        for (const QStringList &job : {QStringList{QStringLiteral("load"), path(QStringLiteral("top.bit")),
                                                   QStringLiteral("--force")},
                                       QStringList{QStringLiteral("load"), path(QStringLiteral("top.bin"))},
                                       QStringList{QStringLiteral("detect")}}) {
            const Run run = cli(job);
            QVERIFY2(run.code == 1, qPrintable(job.join(QLatin1Char(' ')) + QLatin1String(": ") + QString::fromUtf8(run.err)));
            QVERIFY2(run.err.contains("the adapter stopped answering during init in the chain probe (QB562 adapter 0 "
                                      "stopped answering") &&
                         run.err.contains("OpenOCD went on and exited 0: nothing was done on the board"),
                     run.err.constData());
            QVERIFY2(!run.out.contains("loaded file") && !run.err.contains("loaded file"), run.out.constData());
        }
        QVERIFY(!QFile::exists(board(QStringLiteral("flash.bin"))));
        QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));

        const Run json = cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--json")});
        QCOMPARE(json.code, 1);
        QVERIFY2(json.out.contains("\"code\":1") && json.out.contains("stopped answering during init"),
                 json.out.constData());
    }

    void setupFailures()
    {
        QCOMPARE(cli({}).code, 2);
        QCOMPARE(cli({QStringLiteral("load")}).code, 2);
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--bogus")}).code, 2);
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--kind"), QStringLiteral("hex")}).code, 2);
        put(path(QStringLiteral("cut.bit")), contents(path(QStringLiteral("top.bit"))).left(200));
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("cut.bit"))}).code, 4);
        // An UltraScale .bit on the 7-series board: refused at the part check, before any load.
        simbit({QStringLiteral("bit"), QStringLiteral("xcku040"), path(QStringLiteral("ku.bit"))});
        const Run ultraScale = cli({QStringLiteral("load"), path(QStringLiteral("ku.bit"))});
        QCOMPARE(ultraScale.code, 8);
        QVERIFY(ultraScale.err.contains("xcku040") && !ultraScale.out.contains("loaded file"));

        QVERIFY(QDir().rename(board(), path(QStringLiteral("bus/unplugged0"))));
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bit"))}).code, 3);
        QCOMPARE(cli({QStringLiteral("adapters")}).code, 3);
        QVERIFY(QDir().rename(path(QStringLiteral("bus/unplugged0")), board()));

        // Beside a copy of the program there is no OpenOCD.
        QVERIFY(QDir().mkpath(path(QStringLiteral("alone"))));
        const QString copy = path(QStringLiteral("alone/")) + QFileInfo(exe(QStringLiteral("feldmoor-cli"))).fileName();
        QVERIFY(QFile::copy(exe(QStringLiteral("feldmoor-cli")), copy));
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bit"))}, QByteArray(), copy).code, 5);
    }

    // Ctrl-C ends every child of the loader, with one board or two.
    void sigintEndsOwnChild_data()
    {
        QTest::addColumn<int>("boards");
        QTest::newRow("one") << 1;
        QTest::newRow("two at once") << 2;
    }
    void sigintEndsOwnChild()
    {
#ifdef Q_OS_WIN
        QSKIP("no SIGINT on Windows; the console control handler is not reachable from here");
#else
        QFETCH(int, boards);
        simbit({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"),
                QStringLiteral("1048576"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        QStringList arguments{QStringLiteral("load"), path(QStringLiteral("big.bin")), QStringLiteral("--json")};
        if (boards == 2) {
            addBoard(1, QStringLiteral("xc7k325t"));
            arguments << QStringLiteral("--adapter") << QStringLiteral("all");
        }
        QProcess process;
        process.setProcessEnvironment(environment(QStringLiteral("1")));
        process.start(exe(QStringLiteral("feldmoor-cli")), arguments);
        QByteArray seen;
        while (seen.count("\"progress\"") < boards * 2) {
            QVERIFY(process.waitForReadyRead(30000));
            seen += process.readAllStandardOutput();
        }
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(process.processId()));
        QVERIFY(children.open(QIODevice::ReadOnly));
        const QList<QByteArray> pids = children.readAll().trimmed().split(' ');
        QCOMPARE(pids.size(), boards);
        for (const QByteArray &child : pids)
            QVERIFY(processExists(child.toLongLong()));
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        seen += process.readAllStandardOutput();
        int interrupted = 0;  // every unfinished board says so
        for (const QByteArray &line : seen.split('\n'))
            interrupted += line.contains("\"type\":\"result\"") && line.contains("\"code\":130");
        QCOMPARE(interrupted, boards);
        for (const QByteArray &child : pids)
            QVERIFY(!processExists(child.toLongLong()));
#endif
    }

    // The window ends every openocd.exe when its run ends: a loader's child
    // ended so is reported as such, not as a failure of unknown cause.
    void childEndedFromOutside()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows does not tell a forced end from an exit code");
#else
        simbit({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"),
                QStringLiteral("1048576"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        QProcess process;
        process.setProcessEnvironment(environment(QStringLiteral("1")));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("load"), path(QStringLiteral("big.bin"))});
        QByteArray seen;
        while (!seen.contains("progress")) {
            QVERIFY(process.waitForReadyRead(30000));
            seen += process.readAll();
        }
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(process.processId()));
        QVERIFY(children.open(QIODevice::ReadOnly));
        ::kill(pid_t(children.readAll().trimmed().toLongLong()), SIGKILL);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAll().contains("OpenOCD was ended from outside during the flash write"));
#endif
    }

    // A tool ended from outside may still exit 0 (Wine's taskkill ends it so):
    // a write that never reached its verify fails, it never "wrote".
    void writeEndedWithExitZeroFails()
    {
        put(board(QStringLiteral("ended-quietly")), "");
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin"))});
        const QByteArray said = run.out + run.err;
        QCOMPARE(run.code, 1);
        QVERIFY2(said.contains("OpenOCD exited 0 before the end of its list during the flash write"), said.constData());
        QVERIFY2(!said.contains("wrote and reloaded"), said.constData());
        QVERIFY(!QFile::exists(board(QStringLiteral("ended-quietly"))));
    }

    void repeatWithTwoAdaptersRecordsEach()
    {
        addBoard(1, QStringLiteral("xc7k325t"), "2-7", "S2");
        const QString csv = path(QStringLiteral("gang.csv"));
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--adapter"),
                             QStringLiteral("all"), QStringLiteral("--repeat"), QStringLiteral("--record"), csv,
                             QStringLiteral("--quiet")},
                            "\n");
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("4 boards: 4 passed, 0 failed"), run.out.constData());
        const QList<QByteArray> rows = contents(csv).trimmed().split('\n');
        QCOMPARE(rows.size(), 5);
        QVERIFY(rows.first().endsWith(",restarts,location,serial,unchanged,programmed,erased"));
        QStringList places;
        for (const QByteArray &row : rows.mid(1))
            places << QString::fromLatin1(row.split(',').mid(11, 2).join(','));
        QCOMPARE(places, QStringList({QStringLiteral("1-1,"), QStringLiteral("2-7,S2"), QStringLiteral("1-1,"),
                                      QStringLiteral("2-7,S2")}));
    }

    // Two loaders side by side, each on its own board and file; a third one
    // on a board in use is refused at once instead of fighting over it.
    void twoLoadersOnTwoBoardsAtOnce()
    {
        const QString other = addBoard(1, QStringLiteral("xc7a35t"), "3-4.1", "B1");
        simbit({QStringLiteral("bin"), path(QStringLiteral("a35.bin")), QStringLiteral("--size"),
                QStringLiteral("300000"), QStringLiteral("--part"), QStringLiteral("xc7a35t")});
        QProcess first;
        first.setProcessEnvironment(environment());
        first.start(exe(QStringLiteral("feldmoor-cli")),
                    {QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--adapter"), QStringLiteral("1-1")});
        QVERIFY(first.waitForReadyRead(30000));
        const qint64 firstPid = first.processId();
        const Run busy = cli({QStringLiteral("detect"), QStringLiteral("--adapter"), QStringLiteral("0")});
        const Run second = cli({QStringLiteral("load"), path(QStringLiteral("a35.bin")), QStringLiteral("--adapter"),
                                QStringLiteral("serial=B1")});
        QVERIFY(first.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(busy.code, 11);
        QVERIFY2(busy.err.contains("1-1") && busy.err.contains(QByteArray::number(firstPid)), busy.err.constData());
        QCOMPARE(second.code, 0);
        const QByteArray k325 = contents(path(QStringLiteral("top.bin")));
        const QByteArray a35 = contents(path(QStringLiteral("a35.bin")));
        QCOMPARE(contents(board(QStringLiteral("flash.bin"))).left(k325.size()), k325);
        QCOMPARE(contents(other + QLatin1String("/flash.bin")).left(a35.size()), a35);
    }

    void severalAdaptersChosenOrRefused()
    {
        const QString other = addBoard(1, QStringLiteral("xc7k325t"));
        const Run unchosen = cli({QStringLiteral("load"), path(QStringLiteral("top.bin"))});
        QCOMPARE(unchosen.code, 2);
        QVERIFY2(unchosen.err.contains("several adapters are attached; choose one with --adapter: 0 at 1-1, 1 at 1-2"),
                 unchosen.err.constData());
        QCOMPARE(cli({QStringLiteral("detect"), QStringLiteral("--adapter"), QStringLiteral("9-9")}).code, 3);
        QCOMPARE(cli({QStringLiteral("detect"), QStringLiteral("--adapter"), QStringLiteral("serial=none")}).code, 3);
        QCOMPARE(cli({QStringLiteral("detect"), QStringLiteral("--adapter"), QStringLiteral("1-1"),
                      QStringLiteral("--adapter"), QStringLiteral("0")})
                     .code,
                 2);
        const Run listed = cli({QStringLiteral("adapters"), QStringLiteral("--json")});
        QCOMPARE(listed.code, 0);
        QVERIFY(listed.out.contains("{\"index\":1,\"location\":\"1-2\",\"serial\":\"\",\"type\":\"adapter\"}"));
        QVERIFY(listed.err.contains("choose them by location"));
        // By location: that board's flash, and no other.
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--adapter"),
                      QStringLiteral("1-2")})
                     .code,
                 0);
        const QByteArray image = contents(path(QStringLiteral("top.bin")));
        QCOMPARE(contents(other + QLatin1String("/flash.bin")).left(image.size()), image);
        QVERIFY(!QFile::exists(board(QStringLiteral("flash.bin"))));
    }

    // One board's failure neither stops the other nor hides in the result.
    void oneBoardFailsBesideAGoodOne()
    {
        const QString bad = addBoard(1, QStringLiteral("xc7k325t"));
        put(bad + QLatin1String("/fail-init"), "");
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--adapter"),
                             QStringLiteral("all")});
        QCOMPARE(run.code, 10);
        const QByteArray image = contents(path(QStringLiteral("top.bin")));
        QCOMPARE(contents(board(QStringLiteral("flash.bin"))).left(image.size()), image);
        QVERIFY2(run.out.contains(QByteArray("1-1").leftJustified(15, ' ') + "  -"), run.out.constData());
        QVERIFY(run.out.contains("PASS"));
        QVERIFY(run.out.contains("FAIL (exit 1: OpenOCD exited with code 1 during the chain probe"));
        QVERIFY(run.out.contains("2 boards: 1 passed, 1 failed"));
        QVERIFY(run.out.contains("1-2: "));  // the failed board's log, labelled
    }

    // A golden image at 0, an update at 4 MiB written without a reload, then
    // one reload: each write erased only its own sectors, and the reload
    // reads DONE.
    void goldenThenUpdateThenReload()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        simbit({QStringLiteral("bin"), path(QStringLiteral("update.bin")), QStringLiteral("--size"),
                QStringLiteral("100000"), QStringLiteral("--seed"), QStringLiteral("7"), QStringLiteral("--part"),
                QStringLiteral("xc7k325t")});
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--quiet")}).code, 0);
        const Run update = cli({QStringLiteral("load"), path(QStringLiteral("update.bin")), QStringLiteral("--offset"),
                                QStringLiteral("0x400000"), QStringLiteral("--no-reload"), QStringLiteral("--json")});
        QCOMPARE(update.code, 0);
        QVERIFY2(update.out.contains("{\"erased\":2,\"offset\":\"0x00400000\",\"programmed\":0,\"sectors\":2,"
                                     "\"type\":\"sectors\",\"unchanged\":0}"),
                 update.out.constData());
        // The bytes after the image in its last sector are written back.
        QVERIFY(update.out.contains("\"type\":\"progress\"") && update.out.contains("\"total\":131072"));
        // No reload: the FPGA still runs the proxy the write loaded.
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("bscan_spi"));

        const QByteArray golden = contents(path(QStringLiteral("top.bin")));
        const QByteArray image = contents(path(QStringLiteral("update.bin")));
        const QByteArray now = flash();
        QCOMPARE(now.left(golden.size()), golden);
        QCOMPARE(now.mid(0x400000, image.size()), image);
        QVERIFY(now.mid(0x40000, 0x400000 - 0x40000) == flashPattern().mid(0x40000, 0x400000 - 0x40000));
        QVERIFY(now.mid(0x420000) == flashPattern().mid(0x420000));
        const int tail = 0x420000 - 0x400000 - int(image.size());
        QVERIFY(now.mid(0x400000 + image.size(), tail) == flashPattern().mid(0x400000 + image.size(), tail));

        const Run reload = cli({QStringLiteral("reload")});
        QCOMPARE(reload.code, 0);
        QVERIFY(reload.out.contains("DONE is high"));
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=flash"));
        put(board(QStringLiteral("silent-reject")), "");
        QCOMPARE(cli({QStringLiteral("reload"), QStringLiteral("--quiet")}).code, 7);
        QCOMPARE(leftInTemp(), QStringList());
    }

    void readBackEqualsTheFlash()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        const QString out = path(QStringLiteral("out.bin"));
        QCOMPARE(cli({QStringLiteral("read"), out, QStringLiteral("--quiet")}).code, 0);
        QVERIFY(contents(out) == flashPattern());
        QCOMPARE(cli({QStringLiteral("read"), out, QStringLiteral("--offset"), QStringLiteral("0x123456"),
                      QStringLiteral("--size"), QStringLiteral("4K"), QStringLiteral("--quiet")})
                     .code,
                 0);
        QCOMPARE(contents(out), flashPattern().mid(0x123456, 4096));
        // Past the end: refused, and OUT is what it was.
        QCOMPARE(cli({QStringLiteral("read"), out, QStringLiteral("--offset"), QStringLiteral("0xFFFF00"),
                      QStringLiteral("--size"), QStringLiteral("0x200")})
                     .code,
                 2);
        QCOMPARE(contents(out), flashPattern().mid(0x123456, 4096));
        QCOMPARE(QDir(path(QString())).entryList({QStringLiteral("*.part")}, QDir::Files), QStringList());
    }

    void interruptedReadLeavesOutAsItWas()
    {
#ifdef Q_OS_WIN
        QSKIP("no SIGINT on Windows; the console control handler is not reachable from here");
#else
        put(board(QStringLiteral("flash.bin")), flashPattern());
        const QString out = path(QStringLiteral("out.bin"));
        put(out, "the last good dump");
        QProcess process;
        process.setProcessEnvironment(environment(QStringLiteral("1")));
        process.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("read"), out, QStringLiteral("--json")});
        // `flash banks` prints just before the read begins.
        QByteArray seen;
        while (!seen.contains("size 0x01000000")) {
            QVERIFY(process.waitForReadyRead(30000));
            seen += process.readAllStandardOutput();
        }
        QTest::qWait(300);
        QCOMPARE(QDir(path(QString())).entryList({QStringLiteral("out.bin.*.part")}, QDir::Files).size(), 1);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(contents(out), QByteArray("the last good dump"));
        QCOMPARE(QDir(path(QString())).entryList({QStringLiteral("*.part")}, QDir::Files), QStringList());
#endif
    }

    void eraseThenBlankCheck()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        QCOMPARE(cli({QStringLiteral("erase"), QStringLiteral("--offset"), QStringLiteral("0x10000"),
                      QStringLiteral("--size"), QStringLiteral("128K"), QStringLiteral("--quiet")})
                     .code,
                 0);
        const QByteArray now = flash();
        QCOMPARE(now.mid(0x10000, 0x20000), QByteArray(0x20000, '\xff'));
        QVERIFY(now.left(0x10000) == flashPattern().left(0x10000));
        QVERIFY(now.mid(0x30000) == flashPattern().mid(0x30000));
        QCOMPARE(cli({QStringLiteral("blank-check"), QStringLiteral("--offset"), QStringLiteral("0x10000"),
                      QStringLiteral("--size"), QStringLiteral("0x20000"), QStringLiteral("--quiet")})
                     .code,
                 0);

        // Half erased, half written: where the writing starts, and how much.
        const QString csv = path(QStringLiteral("blank.csv"));
        const Run written = cli({QStringLiteral("blank-check"), QStringLiteral("--offset"), QStringLiteral("0x20000"),
                                 QStringLiteral("--size"), QStringLiteral("0x20000"), QStringLiteral("--record"), csv});
        QCOMPARE(written.code, 12);
        const QByteArray tail = flashPattern().mid(0x30000, 0x10000);
        const qsizetype nonBlank = tail.size() - tail.count('\xff');
        QVERIFY2(written.err.contains("the first byte other than 0xFF is at 0x00030000, and " +
                                      QByteArray::number(nonBlank) + " of its 131072 bytes"),
                 written.err.constData());
        const QList<QByteArray> row = contents(csv).trimmed().split('\n').last().split(',');
        QCOMPARE(row.at(6), QByteArray("blank-check"));
        QCOMPARE(row.at(8), QByteArray("12"));
        QCOMPARE(leftInTemp(), QStringList());
    }

    // A Kintex UltraScale board: every job runs the family's script after
    // its CHIP line, reloads through xcu_program, and reads DONE.
    void ultraScaleJobsOnItsBoard()
    {
        put(board(QStringLiteral("part")), "xcku040\n");
        const QString ku = QStringLiteral("xcku040");
        const QString pt = QStringLiteral("--part");
        simbit({QStringLiteral("bit"), ku, path(QStringLiteral("ku.bit"))});
        simbit({QStringLiteral("bin"), path(QStringLiteral("ku.bin")), QStringLiteral("--size"),
                QStringLiteral("150000"), pt, ku});
        simbit({QStringLiteral("bin"), path(QStringLiteral("kunext.bin")), QStringLiteral("--size"),
                QStringLiteral("70000"), QStringLiteral("--seed"), QStringLiteral("3"), pt, ku});

        Run run = cli({QStringLiteral("detect")});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("xcku040  IDCODE 0x03822093  IR length 6"), run.out.constData());

        run = cli({QStringLiteral("load"), path(QStringLiteral("ku.bit"))});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("xcu.tap tap/device found: 0x03822093") && (run.out + run.err).contains("DONE high"),
                 run.out + run.err);
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=jtag\npart=xcku040"));

        const QByteArray image = contents(path(QStringLiteral("ku.bin")));
        run = cli({QStringLiteral("load"), path(QStringLiteral("ku.bin"))});
        QCOMPARE(run.code, 0);
        QCOMPARE(flash().left(image.size()), image);
        QVERIFY2(contents(board(QStringLiteral("fpga"))).contains("source=flash"), run.out + run.err);
        QCOMPARE(cli({QStringLiteral("verify"), path(QStringLiteral("ku.bin")), pt, ku}).code, 0);

        // A changed sector: written sector-wise, the rest left alone.
        QByteArray changed = image;
        changed[0x10005] = char(changed[0x10005] ^ 0x5a);
        put(path(QStringLiteral("changed.bin")), changed);
        run = cli({QStringLiteral("load"), path(QStringLiteral("changed.bin")), pt, ku});
        QCOMPARE(run.code, 0);
        QCOMPARE(flash().left(changed.size()), changed);
        QVERIFY2(run.out.contains("sector 1 took") && !run.out.contains("sector 0 took"), run.out.constData());

        const QByteArray next = contents(path(QStringLiteral("kunext.bin")));
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("kunext.bin")), QStringLiteral("--offset"),
                      QStringLiteral("0x200000"), QStringLiteral("--no-reload")})
                     .code,
                 0);
        QCOMPARE(flash().mid(0x200000, next.size()), next);
        put(path(QStringLiteral("next.mcs")), mcsText({{0x400000, next}}));
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("next.mcs")), pt, ku, QStringLiteral("--no-reload")}).code, 0);
        QCOMPARE(flash().mid(0x400000, next.size()), next);

        QCOMPARE(cli({QStringLiteral("read"), path(QStringLiteral("back.bin")), QStringLiteral("--offset"),
                      QStringLiteral("0x200000"), QStringLiteral("--size"), QStringLiteral("4096"), pt, ku})
                     .code,
                 0);
        QCOMPARE(contents(path(QStringLiteral("back.bin"))), next.left(4096));
        QCOMPARE(cli({QStringLiteral("erase"), QStringLiteral("--offset"), QStringLiteral("0x200000"),
                      QStringLiteral("--size"), QStringLiteral("64K"), pt, ku})
                     .code,
                 0);
        QCOMPARE(flash().mid(0x200000, 0x10000), QByteArray(0x10000, '\xff'));
        QCOMPARE(cli({QStringLiteral("blank-check"), QStringLiteral("--offset"), QStringLiteral("0x200000"),
                      QStringLiteral("--size"), QStringLiteral("64K"), pt, ku})
                     .code,
                 0);
        QCOMPARE(cli({QStringLiteral("blank-check"), QStringLiteral("--offset"), QStringLiteral("0x400000"),
                      QStringLiteral("--size"), QStringLiteral("64K"), pt, ku})
                     .code,
                 12);

        // The .bit's configuration data into the flash, then the boot from it.
        run = cli({QStringLiteral("load"), path(QStringLiteral("ku.bit")), QStringLiteral("--kind"), QStringLiteral("bin")});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("JPROGRAM sent") && (run.out + run.err).contains("DONE high"), run.out + run.err);
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=flash\npart=xcku040"));
        QCOMPARE(leftInTemp(), QStringList());
    }

    // Images or a board of another part: refused at the part check, the
    // board as it was.
    void ultraScaleMismatchesRefused()
    {
        const QString ku = QStringLiteral("xcku040");
        simbit({QStringLiteral("bit"), QStringLiteral("xc7a35t"), path(QStringLiteral("a35.bit"))});
        simbit({QStringLiteral("bin"), path(QStringLiteral("ku.bin")), QStringLiteral("--size"),
                QStringLiteral("100000"), QStringLiteral("--part"), ku});
        put(board(QStringLiteral("part")), "xcku040\n");
        // A .bit whose header names another part.
        Run run = cli({QStringLiteral("load"), path(QStringLiteral("a35.bit"))});
        QCOMPARE(run.code, 8);
        QVERIFY(run.err.contains("xc7a35t") && run.err.contains(ku.toLatin1()));
        // A .bin whose IDCODE packet names another part.
        run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin"))});
        QCOMPARE(run.code, 8);
        QVERIFY(run.err.contains("xc7k325t") && run.err.contains(ku.toLatin1()));
        QVERIFY(!QFile::exists(board(QStringLiteral("flash.bin"))));
        QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));

        // The board answers with another IDCODE.
        put(board(QStringLiteral("part")), "xc7k325t\n");
        run = cli({QStringLiteral("load"), path(QStringLiteral("ku.bin"))});
        QCOMPARE(run.code, 8);
        QVERIFY2(run.err.contains("0x03651093") || run.err.contains("xc7k325t"), run.err.constData());
        run = cli({QStringLiteral("erase"), QStringLiteral("--all"), QStringLiteral("--part"), ku});
        QCOMPARE(run.code, 8);
        QVERIFY(!run.out.contains("jtagspi"));
        QVERIFY(!QFile::exists(board(QStringLiteral("flash.bin"))));
        QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));
    }

    // OpenOCD would pad the first and cut the second short, exiting 0.
    void badRangesRefusedWithTheFlashUnchanged()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        simbit({QStringLiteral("bin"), path(QStringLiteral("update.bin")), QStringLiteral("--size"),
                QStringLiteral("100000"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        const Run unaligned = cli({QStringLiteral("load"), path(QStringLiteral("update.bin")), QStringLiteral("--offset"),
                                   QStringLiteral("0x10100")});
        QCOMPARE(unaligned.code, 2);
        QVERIFY2(unaligned.err.contains("nearest aligned offsets are 0x00010000 and 0x00020000"),
                 unaligned.err.constData());
        const Run pastTheEnd = cli({QStringLiteral("load"), path(QStringLiteral("update.bin")),
                                    QStringLiteral("--offset"), QStringLiteral("0xFF0000")});
        QCOMPARE(pastTheEnd.code, 2);
        QVERIFY(pastTheEnd.err.contains("runs past the flash's end"));
        const Run erase = cli({QStringLiteral("erase"), QStringLiteral("--offset"), QStringLiteral("0x10100"),
                               QStringLiteral("--size"), QStringLiteral("0x100")});
        QCOMPARE(erase.code, 2);
        QVERIFY(erase.err.contains("sectors of 64 KiB") && erase.err.contains("covers it is 0x00010000..0x0001ffff"));
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--offset"),
                      QStringLiteral("0x10000")})
                     .code,
                 2);
        QVERIFY(flash() == flashPattern());
    }

    void bitPayloadIntoFlash()
    {
        simbit({QStringLiteral("bit"), QStringLiteral("xc7k325t"), path(QStringLiteral("design.bit")),
                QStringLiteral("--size"), QStringLiteral("70000")});
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("design.bit")), QStringLiteral("--kind"),
                      QStringLiteral("bin"), QStringLiteral("--quiet")})
                     .code,
                 0);
        // Field 'e' ends the container.
        const QByteArray payload = contents(path(QStringLiteral("design.bit"))).right(70000);
        QCOMPARE(flash().left(payload.size()), payload);
        QVERIFY(flash().at(payload.size()) == '\xff');
        QCOMPARE(cli({QStringLiteral("verify"), path(QStringLiteral("design.bit")), QStringLiteral("--quiet")}).code, 0);
        QCOMPARE(leftInTemp(), QStringList());
    }

    void mcsRefusedByLineOrWrittenAtItsAddresses()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        const QByteArray first = flashPattern().mid(777, 300);
        const QByteArray second = QByteArray(200, '\x42');
        const QByteArray text = mcsText({{0x10000, first}, {0x30000, second}});
        put(path(QStringLiteral("two.mcs")), text);
        const QStringList load{QStringLiteral("load"), path(QStringLiteral("two.mcs")), QStringLiteral("--part"),
                               QStringLiteral("xc7k325t"), QStringLiteral("--no-reload")};
        const Run run = cli(load);
        QCOMPARE(run.code, 0);
        const QByteArray now = flash();
        QCOMPARE(now.mid(0x10000, first.size()), first);
        QCOMPARE(now.mid(0x30000, second.size()), second);
        const int gap = 0x30000 - 0x10000 - int(first.size());
        QCOMPARE(now.mid(0x10000 + first.size(), gap), QByteArray(gap, '\xff'));
        QVERIFY(now.left(0x10000) == flashPattern().left(0x10000));
        QVERIFY(now.mid(0x40000) == flashPattern().mid(0x40000));
        QCOMPARE(cli({QStringLiteral("verify"), path(QStringLiteral("two.mcs")), QStringLiteral("--part"),
                      QStringLiteral("xc7k325t"), QStringLiteral("--quiet")})
                     .code,
                 0);

        // One data digit changed on line 5: refused there, before the probe.
        QList<QByteArray> lines = text.split('\n');
        lines[4][9] = lines[4][9] == '0' ? '1' : '0';
        put(path(QStringLiteral("bad.mcs")), lines.join('\n'));
        const Run bad = cli({QStringLiteral("load"), path(QStringLiteral("bad.mcs")), QStringLiteral("--part"),
                             QStringLiteral("xc7k325t")});
        QCOMPARE(bad.code, 4);
        QVERIFY2(bad.err.contains("line 5: checksum"), bad.err.constData());
        QVERIFY(!bad.out.contains("tap/device found"));
        QCOMPARE(leftInTemp(), QStringList());
    }

    // The default flash write reads the sectors back and changes only those
    // that differ: nothing on an identical flash (still verified, reloaded
    // and DONE read), no erase on a blank one, one erase for one changed
    // sector; the record counts them.
    void sectorWritesTouchOnlyWhatDiffers()
    {
        const QByteArray image = contents(path(QStringLiteral("top.bin")));  // 4 sectors, the last one partly
        const QString csv = path(QStringLiteral("results.csv"));
        const QStringList load{QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--record"), csv};
        const Run blank = cli(load);
        QCOMPARE(blank.code, 0);
        QVERIFY2(blank.out.contains("4 sectors: 0 unchanged, 4 written without erase, 0 erased and written"),
                 blank.out.constData());
        QVERIFY(!blank.out.contains("erased sectors") && !blank.out.contains(" took "));
        QCOMPARE(flash().left(image.size()), image);
        QVERIFY(flash().mid(image.size()) == QByteArray(kFlashSize - image.size(), '\xff'));

        const QByteArray before = flash();
        const Run same = cli(load + QStringList{QStringLiteral("--json")});
        QCOMPARE(same.code, 0);
        QVERIFY(same.out.contains("{\"erased\":0,\"offset\":\"0x00000000\",\"programmed\":0,\"sectors\":4,"
                                  "\"type\":\"sectors\",\"unchanged\":4}"));
        QVERIFY(same.out.contains("flash bank 0 at offset 0x00000000") && same.out.contains("contents match"));
        QVERIFY(!same.out.contains("to flash bank 0") && !same.out.contains("erased sectors"));
        QVERIFY(same.out.contains("{\"check\":\"done\",\"ok\":true"));
        QVERIFY(contents(board(QStringLiteral("fpga"))).contains("source=flash"));
        QVERIFY(flash() == before);
        const Run again = cli(load);
        QVERIFY(again.out.contains("flash already holds the image (4 sectors unchanged)"));
        QVERIFY2(again.out.contains("verified and reloaded") && !again.out.contains("wrote and reloaded"),
                 qPrintable(again.out));

        QByteArray changed = image;
        changed[0x20000 + 5] = char(changed.at(0x20000 + 5) ^ 0x5a);
        put(path(QStringLiteral("top.bin")), changed);
        const Run one = cli(load);
        QCOMPARE(one.code, 0);
        QVERIFY2(one.out.contains("4 sectors: 3 unchanged, 0 written without erase, 1 erased and written"),
                 one.out.constData());
        QCOMPARE(one.out.count("erased sectors"), 1);
        QVERIFY(one.out.contains("erased sectors 2 through 2"));
        QCOMPARE(flash().left(changed.size()), changed);
        QVERIFY(flash().mid(changed.size()) == before.mid(changed.size()));

        const QList<QByteArray> rows = contents(csv).trimmed().split('\n');
        QCOMPARE(rows.size(), 5);
        QVERIFY(rows.at(1).endsWith(",0,4,0") && rows.at(2).endsWith(",4,0,0") && rows.at(4).endsWith(",3,0,1"));
        QCOMPARE(leftInTemp(), QStringList());

        // --dry-run: the read on stdout, and what the rest waits for.
        const Run dry = cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--dry-run")});
        QCOMPARE(dry.code, 0);
        QVERIFY(dry.out.contains("flash read_bank 0 ") && !dry.out.contains("jtagspi_program"));
        QVERIFY(dry.err.contains("depend on what the sector read finds"));
        const Run full = cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--full"),
                              QStringLiteral("--dry-run")});
        QVERIFY(full.out.contains(QStringLiteral("'jtagspi_program %1 0x0;'").arg(path(QStringLiteral("top.bin"))).toUtf8()));
        QVERIFY(full.out.contains("'xc7_program xc7.tap;'") && !full.err.contains("sector read"));
    }

    // Ctrl-C in the middle of a write that erases every sector: each sector
    // holds its old or its new bytes but the one named; the same load again
    // completes it, touching only what is left.
    void interruptedWriteCompletedByTheNextRun()
    {
#ifdef Q_OS_WIN
        QSKIP("no SIGINT on Windows; the console control handler is not reachable from here");
#else
        put(board(QStringLiteral("flash.bin")), flashPattern());
        simbit({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"),
                QStringLiteral("1048576"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        const QByteArray image = contents(path(QStringLiteral("big.bin")));
        QProcess process;
        process.setProcessEnvironment(environment(QStringLiteral("1")));
        process.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("load"), path(QStringLiteral("big.bin")),
                                                            QStringLiteral("--json")});
        QByteArray seen;
        while (seen.count("\"progress\"") < 3) {
            QVERIFY(process.waitForReadyRead(60000));
            seen += process.readAllStandardOutput();
        }
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 130);
        const QByteArray err = process.readAllStandardError();
        const QRegularExpressionMatch stopped =
            QRegularExpression(QStringLiteral("the flash write stopped at sector (\\d+) ")).match(QString::fromUtf8(err));
        QVERIFY2(stopped.hasMatch(), err.constData());
        const int current = stopped.captured(1).toInt();
        QVERIFY(current >= 3 && current < 16);
        const QByteArray now = flash();
        for (int sector = 0; sector < 16; ++sector) {
            const QByteArray held = now.mid(sector * 0x10000, 0x10000);
            if (sector < current)
                QVERIFY2(held == image.mid(sector * 0x10000, 0x10000), qPrintable(QString::number(sector)));
            else if (sector > current)
                QVERIFY2(held == flashPattern().mid(sector * 0x10000, 0x10000), qPrintable(QString::number(sector)));
        }
        QVERIFY(now.mid(0x100000) == flashPattern().mid(0x100000));

        const Run again = cli({QStringLiteral("load"), path(QStringLiteral("big.bin"))});
        QCOMPARE(again.code, 0);
        QVERIFY2(again.out.contains(QStringLiteral("16 sectors: %1 unchanged").arg(current).toUtf8()),
                 again.out.constData());
        QVERIFY(flash().left(image.size()) == image);
        QCOMPARE(leftInTemp(), QStringList());
#endif
    }

    // The adapter unplugged while the sector holding the image's end is
    // written: that sector's old contents are on the disk, named; the same
    // load again puts back the bytes after the image's end from there, not
    // 0xFF, and removes the file. A kept sector never goes into another
    // range.
    void unpluggedSectorWriteKeepsTheOldBytes()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        simbit({QStringLiteral("bin"), path(QStringLiteral("img.bin")), QStringLiteral("--size"),
                QStringLiteral("100000"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        const QByteArray image = contents(path(QStringLiteral("img.bin")));
        const QStringList load{QStringLiteral("load"), path(QStringLiteral("img.bin")), QStringLiteral("--offset"),
                               QStringLiteral("0x400000")};
        const QString state = path(QStringLiteral("state/feldmoor"));
        QProcess process;
        process.setProcessEnvironment(environment(QStringLiteral("1")));
        process.start(exe(QStringLiteral("feldmoor-cli")), load);
        QByteArray out;
        while (!out.contains("erased sectors 65 through 65")) {
            QVERIFY2(process.waitForReadyRead(60000), out.constData());
            out += process.readAllStandardOutput();
        }
        QVERIFY(QDir().rename(board(), path(QStringLiteral("bus/unplugged0"))));
        QVERIFY(process.waitForFinished(60000));
        QVERIFY(process.exitCode() != 0);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        const QStringList kept = QDir(state).entryList(QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString keptPath = QDir::toNativeSeparators(QDir(state).filePath(kept.first()));
        QVERIFY2(err.contains(QLatin1String("the flash write stopped at sector 65 ")) && err.contains(keptPath),
                 qPrintable(err));
        QVERIFY(QDir().rename(path(QStringLiteral("bus/unplugged0")), board()));
        const qsizetype end = 0x400000 + image.size();
        QVERIFY(flash().mid(end, 0x420000 - end) != flashPattern().mid(end, 0x420000 - end));

        // Another range on the same board is not given those bytes.
        const Run other = cli({QStringLiteral("load"), path(QStringLiteral("img.bin")), QStringLiteral("--offset"),
                               QStringLiteral("0x600000"), QStringLiteral("--no-reload")});
        QCOMPARE(other.code, 0);
        QVERIFY(!other.out.contains("cut-off write"));
        QCOMPARE(QDir(state).entryList(QDir::Files), kept);

        const Run again = cli(load);
        QCOMPARE(again.code, 0);
        const QString summary = QString::fromUtf8(again.out).section(QLatin1String("feldmoor-cli: 2 sectors"), 1).section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(summary.contains(QLatin1String("sector 65 gets back the ")) && summary.contains(keptPath), qPrintable(summary));
        const QByteArray now = flash();
        QVERIFY(now.mid(0x400000, image.size()) == image);
        QVERIFY(now.mid(end, 0x420000 - end) == flashPattern().mid(end, 0x420000 - end));
        QVERIFY(now.mid(0x420000, 0x600000 - 0x420000) == flashPattern().mid(0x420000, 0x600000 - 0x420000));
        QCOMPARE(QDir(state).entryList(QDir::Files), QStringList());
    }

    // A too-fast erase restarts the write run, which then completes.
    void fastEraseRestartsTheSectorWrite()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        put(board(QStringLiteral("fast-erase")), "1\n");
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--json")});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out.count("\"type\":\"restart\""), 1);
        const QByteArray image = contents(path(QStringLiteral("top.bin")));
        QCOMPARE(flash().left(image.size()), image);
        QVERIFY(flash().mid(image.size()) == flashPattern().mid(image.size()));
    }

    void repeatRecordsEveryBoard()
    {
        const QString csv = path(QStringLiteral("results.csv"));
        const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--repeat"),
                             QStringLiteral("--record"), csv, QStringLiteral("--quiet")},
                            "\n\n");
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("3 boards: 3 passed, 0 failed"), run.out.constData());
        QCOMPARE(run.out.count("PASS board"), 3);
        const QList<QByteArray> rows = contents(csv).trimmed().split('\n');
        QCOMPARE(rows.size(), 4);
        QVERIFY(rows.first().startsWith("time,host,file,sha256,part,idcode,kind,result"));
        for (const QByteArray &row : rows.mid(1)) {
            const QList<QByteArray> fields = row.split(',');
            QCOMPARE(fields.size(), 16);  // the sector counts are empty for a .bit
            QCOMPARE(fields.at(11), QByteArray("1-1"));  // the adapter's location, after the first eleven
            QCOMPARE(fields.at(4), QByteArray("xc7k325t"));
            QCOMPARE(fields.at(5), QByteArray("0x03651093"));
            QCOMPARE(fields.at(7), QByteArray("PASS"));
        }
    }

    // The loader under faults: signals it can't answer, files changed under
    // it, records it can't write, locks dodged, JSON mixed with text,
    // special files.

    // Killed outright or hung up mid-erase: its tool goes with it, so the
    // next load's image is not wiped by an erase nobody watches. On Windows
    // the kill is TerminateProcess, and the job object ends the tool.
    void killedOrHungUpMidEraseLeavesNoTool_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGKILL") << 9;
        QTest::newRow("SIGHUP") << 1;
    }
    void killedOrHungUpMidEraseLeavesNoTool()
    {
        QFETCH(int, signal);
#ifdef Q_OS_WIN
        if (signal != 9)
            QSKIP("no SIGHUP on Windows");
        // Started apart: Wine closes a terminated process's handles, the job
        // among them, only once no one holds a handle to that process, and a
        // QProcess would hold one.
        qint64 loader = 0;
        QProcess eraser;
        eraser.setProcessEnvironment(environment(QStringLiteral("1")));
        eraser.setProgram(exe(QStringLiteral("feldmoor-cli")));
        eraser.setArguments({QStringLiteral("erase"), QStringLiteral("--all")});
        eraser.setStandardOutputFile(path(QStringLiteral("erase.log")));
        eraser.setStandardErrorFile(path(QStringLiteral("erase.log")));
        QVERIFY(eraser.startDetached(&loader));
        // The erase run is the one that finds the flash; the probe before it
        // has ended by then.
        qint64 tool = 0;
        for (int wait = 0; wait < 600 && !tool; ++wait) {
            if (contents(path(QStringLiteral("erase.log"))).contains("Found flash device")) {
                const QList<qint64> children = childProcesses(loader);
                tool = children.isEmpty() ? 0 : children.first();
            }
            QTest::qWait(50);
        }
        QVERIFY(tool > 0);
        QTest::qWait(500);  // the chip erase has begun
        killFromOutside(loader);
        QTRY_VERIFY_WITH_TIMEOUT(!processExists(loader), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!processExists(tool), 3000);
#else
        QProcess eraser;
        eraser.setProcessEnvironment(environment(QStringLiteral("1")));
        eraser.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("erase"), QStringLiteral("--all")});
        QVERIFY(eraser.waitForStarted());
        const qint64 tool = toolRunning(eraser.processId(), "erase_sector");
        QVERIFY(tool > 0);
        QTest::qWait(500);  // the chip erase has begun
        ::kill(pid_t(eraser.processId()), signal);
        QVERIFY(eraser.waitForFinished(30000));
        if (signal == SIGHUP) {
            QCOMPARE(eraser.exitStatus(), QProcess::NormalExit);
            QCOMPARE(eraser.exitCode(), 129);
            QVERIFY2(eraser.readAllStandardError().contains("the chip erase was cut off"), "says what it left");
        }
        QTRY_VERIFY_WITH_TIMEOUT(toolGone(tool), 3000);
#endif

        simbit({QStringLiteral("bin"), path(QStringLiteral("x.bin")), QStringLiteral("--size"), QStringLiteral("100000"),
                QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("x.bin")), QStringLiteral("--offset"),
                      QStringLiteral("0x400000"), QStringLiteral("--no-reload"), QStringLiteral("--quiet")})
                     .code,
                 0);
        QTest::qWait(1000);  // an orphaned chip erase would have reached it by now
        QCOMPARE(flash().mid(0x400000, 100000), contents(path(QStringLiteral("x.bin"))));
    }

    // What a loader killed outright leaves behind stops no one: its private
    // copy and sector files are removed by a later loader once they are old,
    // and a tool id noted beside its lock that now belongs to another
    // loader's tool, on another adapter, is not taken for its orphan.
    void killedLoadersLeftoversNoObstacle()
    {
#ifdef Q_OS_WIN
        QSKIP("the process ids of a Wine prefix are not the kernel's; the reuse is made on Linux");
#else
        addBoard(1, QStringLiteral("xc7k325t"));
        simbit({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"),
                QStringLiteral("1048576"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        QProcess killed;
        killed.setProcessEnvironment(environment(QStringLiteral("1")));
        killed.start(exe(QStringLiteral("feldmoor-cli")),
                     {QStringLiteral("load"), path(QStringLiteral("big.bin")), QStringLiteral("--adapter"), QStringLiteral("1-1")});
        const qint64 tool = toolRunning(killed.processId(), "write_bank");
        QVERIFY(tool > 0);
        const auto notedBesideALock = [this, tool] {
            for (const QFileInfo &file :
                 QDir(QStringLiteral("/tmp")).entryInfoList({QStringLiteral("feldmoor-adapter-*.tools")}))
                if (contents(file.filePath()).split('\n').contains(QByteArray::number(tool)))
                    return file.filePath();
            return QString();
        };
        // The tool is seen as soon as it is forked; its loader notes it a
        // moment later, and the kill must come after that.
        QTRY_VERIFY_WITH_TIMEOUT(!notedBesideALock().isEmpty(), 10000);
        ::kill(pid_t(killed.processId()), SIGKILL);
        QVERIFY(killed.waitForFinished(30000));
        QTRY_VERIFY_WITH_TIMEOUT(toolGone(tool), 3000);
        QVERIFY(!leftInTemp().isEmpty());
        const QString noted = notedBesideALock();
        QVERIFY(!noted.isEmpty());

        QProcess other;
        other.setProcessEnvironment(environment(QStringLiteral("1")));
        other.start(exe(QStringLiteral("feldmoor-cli")),
                    {QStringLiteral("erase"), QStringLiteral("--all"), QStringLiteral("--adapter"), QStringLiteral("1-2")});
        const qint64 otherTool = toolRunning(other.processId(), "erase_sector");
        QVERIFY(otherTool > 0);
        put(noted, QByteArray::number(otherTool) + '\n');
        for (const QString &left : leftInTemp())
            QCOMPARE(QProcess::execute(QStringLiteral("touch"), {QStringLiteral("-d"), QStringLiteral("2 hours ago"),
                                                                 path(QStringLiteral("tmp/") + left)}),
                     0);

        const Run read = cli({QStringLiteral("read"), path(QStringLiteral("out.bin")), QStringLiteral("--size"),
                              QStringLiteral("4K"), QStringLiteral("--adapter"), QStringLiteral("1-1")});
        other.kill();
        other.waitForFinished(30000);
        QVERIFY2(read.code == 0, read.err.constData());
        QCOMPARE(leftInTemp(), QStringList());
#endif
    }

    // The file replaced while the boards are swapped: each round writes the
    // bytes it checked and hashed. Ctrl-C at the prompt after good boards
    // ends the session as passed.
    void fileSwappedBetweenRoundsWritesWhatWasChecked()
    {
        const QString image = path(QStringLiteral("top.bin"));
        const QString csv = path(QStringLiteral("rounds.csv"));
        const QByteArray first = contents(image);
        QProcess session;
        session.setProcessEnvironment(environment());
        session.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("load"), image, QStringLiteral("--repeat"),
                                                            QStringLiteral("--record"), csv, QStringLiteral("--quiet")});
        QByteArray err;
        // The prompt is on stderr: woken only by stdout, the wait could miss it.
        session.setReadChannel(QProcess::StandardError);
        const auto waitForPrompt = [&](int count) {
            while (err.count("Next board") < count && session.waitForReadyRead(60000))
                err += session.readAllStandardError();
            return err.count("Next board") >= count;
        };
        QVERIFY(waitForPrompt(1));
        QCOMPARE(flash().left(first.size()), first);
        simbit({QStringLiteral("bin"), image, QStringLiteral("--size"), QStringLiteral("200000"), QStringLiteral("--seed"),
                QStringLiteral("9"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        const QByteArray second = contents(image);
        QVERIFY(second != first);
        session.write("\n");
        QVERIFY(waitForPrompt(2));
        QCOMPARE(flash().left(second.size()), second);
#ifdef Q_OS_WIN
        session.write("q\n");
#else
        ::kill(pid_t(session.processId()), SIGINT);
#endif
        QVERIFY(session.waitForFinished(30000));
        QCOMPARE(session.exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.exitCode(), 0);
        QVERIFY(session.readAllStandardOutput().contains("2 boards: 2 passed, 0 failed"));
        const QList<QByteArray> rows = contents(csv).trimmed().split('\n');
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(1).split(',').at(3), QCryptographicHash::hash(first, QCryptographicHash::Sha256).toHex());
        QCOMPARE(rows.at(2).split(',').at(3), QCryptographicHash::hash(second, QCryptographicHash::Sha256).toHex());
        QCOMPARE(leftInTemp(), QStringList());
    }

    // An adapter plugged in between boards is not taken in the session's
    // place; a round with two attached is refused as the first would be.
    void repeatKeepsTheAdapterItBeganWith()
    {
        const QString csv = path(QStringLiteral("adapters.csv"));
        QProcess session;
        session.setProcessEnvironment(environment());
        session.start(exe(QStringLiteral("feldmoor-cli")),
                      {QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--repeat"),
                       QStringLiteral("--record"), csv, QStringLiteral("--quiet")});
        QByteArray err;
        session.setReadChannel(QProcess::StandardError);  // where the prompt is
        while (!err.contains("Next board") && session.waitForReadyRead(60000))
            err += session.readAllStandardError();
        const QString other = addBoard(1, QStringLiteral("xc7k325t"), "2-5");
        session.write("\n");
        while (err.count("Next board") < 2 && session.waitForReadyRead(60000))
            err += session.readAllStandardError();
        // The first board leaves; the new one is alone, and still not ours.
        QVERIFY(QDir().rename(board(), path(QStringLiteral("bus/unplugged0"))));
        session.write("\nq\n");
        QVERIFY(session.waitForFinished(60000));
        QCOMPARE(session.exitCode(), 10);
        QVERIFY(!QFile::exists(other + QLatin1String("/flash.bin")));
        QStringList codes;
        for (const QByteArray &row : contents(csv).trimmed().split('\n').mid(1))
            codes << QString::fromLatin1(row.split(',').at(8) + ' ' + row.split(',').at(11));
        QCOMPARE(codes, QStringList({QStringLiteral("0 1-1"), QStringLiteral("2 1-1"), QStringLiteral("3 1-1")}));
    }

    // A record that can't be kept is found out before any board is touched.
    void unwritableRecordRefusedBeforeAnyBoard()
    {
        const QStringList load{QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--record")};
        QCOMPARE(cli(load + QStringList{path(QStringLiteral("nodir/r.csv"))}).code, 4);
        QCOMPARE(cli(load + QStringList{path(QStringLiteral("tmp"))}).code, 4);
        QCOMPARE(cli(load + QStringList{QString()}).code, 2);
        QCOMPARE(cli(load + QStringList{path(QStringLiteral("top.bit"))}).code, 2);
        QCOMPARE(cli({QStringLiteral("read"), path(QStringLiteral("o.bin")), QStringLiteral("--record"),
                      path(QStringLiteral("o.bin"))})
                     .code,
                 2);
        QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("nodir"))));
    }

    // The CSV record reported on every build: its boards counted, and the
    // page written whole beside it with its charts.
    void csvRecordReported()
    {
        const QString csv = path(QStringLiteral("line.csv"));
        const QStringList load{QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--quiet"),
                               QStringLiteral("--record"), csv};
        QCOMPARE(cli(load).code, 0);
        QVERIFY(QDir().rename(board(), path(QStringLiteral("bus/unplugged"))));
        QCOMPARE(cli(load).code, 3);
        const QString page = path(QStringLiteral("report.html"));
        const Run run = cli({QStringLiteral("report"), QStringLiteral("--record"), csv, QStringLiteral("--json"),
                             QStringLiteral("--html"), page});
        QVERIFY2(run.code == 0, run.err.constData());
        const QJsonObject report = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(report.value(QStringLiteral("boards")).toInt(), 2);
        QCOMPARE(report.value(QStringLiteral("passed")).toInt(), 1);
        QCOMPARE(report.value(QStringLiteral("yield")).toDouble(), 0.5);
        const QJsonObject failure = report.value(QStringLiteral("failures")).toArray().at(0).toObject();
        QCOMPARE(failure.value(QStringLiteral("code")).toInt(), 3);
        QCOMPARE(report.value(QStringLiteral("stations")).toArray().size(), 1);
        QVERIFY(contents(page).contains("<svg"));
        QCOMPARE(cli({QStringLiteral("record"), QStringLiteral("sync"), QStringLiteral("--record"), csv}).code, 2);
        QCOMPARE(cli({QStringLiteral("report"), QStringLiteral("--record"), csv, QStringLiteral("--since"),
                      QStringLiteral("noon")})
                     .code,
                 2);
    }

    // A loader built without the database clients says so, and runs nothing.
    void databaseRecordRefusedWithoutItsClients()
    {
        if (kDatabaseRecords)
            QSKIP("this loader records in databases (the records suite covers them)");
        if (kQtSqlRecords) {
            const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--record"),
                                 QStringLiteral("postgresql:///line")});
            QCOMPARE(run.code, 2);
            QVERIFY2(run.err.contains("built without PostgreSQL records"), run.err.constData());
            QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));
            return;
        }
        for (const QString &record : {QLatin1String("sqlite:") + path(QStringLiteral("line.db")),
                                      QStringLiteral("postgresql:///line")}) {
            const Run run = cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--record"), record});
            QCOMPARE(run.code, 2);
            QVERIFY2(run.err.contains("built without database records"), run.err.constData());
        }
        QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("line.db"))));
    }

    // Through Qt SQL's SQLite driver: the rows, a pool, the export and the
    // report as through the SQLite library.
    void sqliteRecordThroughQtSql()
    {
        if (!kQtSqlRecords)
            QSKIP("this loader reaches SQLite through its own library, or not at all");
        const QString db = QLatin1String("sqlite:") + path(QStringLiteral("line.db"));
        const QStringList load{QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--quiet"),
                               QStringLiteral("--record"), db, QStringLiteral("--station"), QStringLiteral("s1")};
        QCOMPARE(cli(load).code, 0);
        QVERIFY(QDir().rename(board(), path(QStringLiteral("bus/unplugged"))));
        QCOMPARE(cli(load).code, 3);
        QCOMPARE(cli({QStringLiteral("pool"), QStringLiteral("create"), QStringLiteral("sn"), QStringLiteral("--first"),
                      QStringLiteral("1"), QStringLiteral("--last"), QStringLiteral("9"), QStringLiteral("--format"),
                      QStringLiteral("u32le"), QStringLiteral("--record"), db})
                     .code,
                 0);
        const Run exported = cli({QStringLiteral("record"), QStringLiteral("export"), QStringLiteral("--record"), db});
        QCOMPARE(exported.code, 0);
        const QList<QByteArray> lines = exported.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines.at(1).contains(",PASS,0,") && lines.at(1).endsWith(",s1,,"), lines.at(1).constData());
        const Run run = cli({QStringLiteral("report"), QStringLiteral("--record"), db, QStringLiteral("--json")});
        QCOMPARE(run.code, 0);
        const QJsonObject report = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(report.value(QStringLiteral("boards")).toInt(), 2);
        QCOMPARE(report.value(QStringLiteral("failed")).toInt(), 1);
        QCOMPARE(report.value(QStringLiteral("pools")).toArray().at(0).toObject().value(QStringLiteral("free")).toInt(), 9);
        QCOMPARE(cli({QStringLiteral("record"), QStringLiteral("sync"), QStringLiteral("--record"), db}).code, 0);
    }

    // Another temporary folder, and the bus named with a trailing slash: the
    // same adapter, the same lock.
    void lockHeldWhateverTheEnvironment()
    {
        simbit({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"),
                QStringLiteral("1048576"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        QProcess first;
        first.setProcessEnvironment(environment(QStringLiteral("1")));
        first.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("load"), path(QStringLiteral("big.bin")),
                                                          QStringLiteral("--json")});
        QByteArray seen;
        while (!seen.contains("\"progress\"") && first.waitForReadyRead(30000))
            seen += first.readAllStandardOutput();
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp2"))));
        QProcessEnvironment other = environment();
        for (const char *name : {"TMPDIR", "TMP", "TEMP"})
            other.insert(QLatin1String(name), QDir::toNativeSeparators(path(QStringLiteral("tmp2"))));
        other.insert(QStringLiteral("QB562_SIM_DIR"), QDir::toNativeSeparators(path(QStringLiteral("bus/"))));
        QProcess second;
        second.setProcessEnvironment(other);
        second.start(exe(QStringLiteral("feldmoor-cli")), {QStringLiteral("verify"), path(QStringLiteral("top.bin"))});
        QVERIFY(second.waitForFinished(60000));
        const qint64 firstPid = first.processId();
        first.kill();
        first.waitForFinished(30000);
        QCOMPARE(second.exitCode(), 11);
        QVERIFY(second.readAllStandardError().contains(QByteArray::number(firstPid)));
    }

    // Under --json stdout is JSON alone, whatever the job and however it ends.
    void jsonOnlyOnStdoutInEveryMode()
    {
        put(board(QStringLiteral("flash.bin")), flashPattern());
        const QString bin = path(QStringLiteral("top.bin"));
        const auto json = [](QStringList arguments) { return arguments << QStringLiteral("--json"); };
        struct Case {
            QStringList arguments;
            QByteArray input;
            int code;
            QString last;  // the type of the last object
        };
        const QList<Case> cases = {
            {json({QStringLiteral("load"), bin, QStringLiteral("--dry-run")}), {}, 0, QStringLiteral("dry-run")},
            {json({QStringLiteral("load"), bin, QStringLiteral("--bogus")}), {}, 2, QStringLiteral("error")},
            {json({QStringLiteral("read")}), {}, 2, QStringLiteral("error")},
            {json({QStringLiteral("verify"), bin}), {}, 13, QStringLiteral("result")},
            {json({QStringLiteral("verify"), bin, QStringLiteral("--offset"), QStringLiteral("0xFF0000")}), {}, 2,
             QStringLiteral("result")},
            {json({QStringLiteral("load"), bin, QStringLiteral("--repeat")}), "q\n", 0, QStringLiteral("board")},
            {json({QStringLiteral("read"), path(QStringLiteral("out.bin")), QStringLiteral("--size"), QStringLiteral("4K")}),
             {}, 0, QStringLiteral("result")},
            {json({QStringLiteral("load"), bin, QStringLiteral("--adapter"), QStringLiteral("all"),
                   QStringLiteral("--dry-run")}),
             {}, 0, QStringLiteral("dry-run")},
            {json({QStringLiteral("detect"), QStringLiteral("--adapter"), QStringLiteral("all")}), {}, 0,
             QStringLiteral("board")},
        };
        for (const Case &entry : cases) {
            if (entry.arguments.contains(QLatin1String("all")) && !QFile::exists(path(QStringLiteral("bus/adapter1"))))
                addBoard(1, QStringLiteral("xc7k325t"));
            const Run run = cli(entry.arguments, entry.input);
            const QByteArray what = entry.arguments.join(QLatin1Char(' ')).toLocal8Bit();
            QVERIFY2(run.code == entry.code, what + " exited " + QByteArray::number(run.code));
            bool allJson = false;
            const QList<QJsonObject> objects = jsonLines(run.out, &allJson);
            QVERIFY2(allJson && !objects.isEmpty(), what.constData());
            QCOMPARE(objects.last().value(QLatin1String("type")).toString(), entry.last);
            if (entry.last == QLatin1String("error"))
                QCOMPARE(objects.last().value(QLatin1String("code")).toInt(), 2);
            if (entry.last == QLatin1String("dry-run")) {
                const QJsonArray runs = objects.last().value(QLatin1String("runs")).toArray();
                QVERIFY(runs.size() >= 3);
                const QJsonArray argv = runs.at(1).toObject().value(QLatin1String("argv")).toArray();
                QVERIFY(argv.first().toString().endsWith(QLatin1String("openocd.exe")));
                QVERIFY(argv.contains(QJsonValue(QStringLiteral("-c"))));
            }
        }
    }

    // Special files are refused before any run, and so is a name that would
    // come back as another.
    void specialFilesAndForeignNamesRefused()
    {
#ifdef Q_OS_WIN
        QSKIP("no /dev/zero, FIFOs or byte-string file names on Windows");
#else
        const Run zero = cli({QStringLiteral("load"), QStringLiteral("/dev/zero"), QStringLiteral("--kind"),
                              QStringLiteral("bin"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
        QCOMPARE(zero.code, 4);
        QVERIFY2(zero.err.contains("/dev/zero is not a regular file"), zero.err.constData());
        const QByteArray fifo = QFile::encodeName(path(QStringLiteral("pipe.bin")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("pipe.bin"))}).code, 4);
        // Nor is a pipe replaced by a read's dump.
        QCOMPARE(cli({QStringLiteral("read"), path(QStringLiteral("pipe.bin")), QStringLiteral("--size"),
                      QStringLiteral("4K")})
                     .code,
                 4);
        QVERIFY(QFileInfo(path(QStringLiteral("pipe.bin"))).exists() && !QFileInfo(path(QStringLiteral("pipe.bin"))).isFile());
        QVERIFY(!QFile::exists(board(QStringLiteral("fpga"))));

        // "caf\xe9.bin" in Latin-1, through a shell, which passes bytes.
        put(board(QStringLiteral("flash.bin")), flashPattern());
        const Run latin1 = cli({QStringLiteral("-c"),
                                QStringLiteral("cd '%1' && exec '%2' read \"$(printf 'caf\\351.bin')\" --size 4K")
                                    .arg(path(QString()), exe(QStringLiteral("feldmoor-cli")))},
                               QByteArray(), QStringLiteral("/bin/sh"));
        QCOMPARE(latin1.code, 2);
        QVERIFY2(latin1.err.contains("caf\\xe9.bin"), latin1.err.constData());
        QCOMPARE(QDir(path(QString())).entryList({QStringLiteral("caf*")}, QDir::Files), QStringList());
#endif
    }
};

QTEST_GUILESS_MAIN(CliSuite)
#include "tst_cli.moc"
