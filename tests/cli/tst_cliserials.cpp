// Serial numbers drawn from a pool and written into each board's flash by
// feldmoor-cli run as a process against the OpenOCD stand-in: what ends in
// the flashes, in the rows and in the pool's counts, with loaders at once,
// one killed mid-write, a failed probe and an empty pool.

#include "recordrows.h"
#include "throwawaypostgres.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

QString exe(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

QByteArray contents(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Nothing (0) from fewer than four bytes: a board whose write failed has
// no flash to read, and the case must fail on it, not crash.
quint32 u32le(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return 0;
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(i));
    return value;
}

} // namespace

class CliSerials : public QObject {
    Q_OBJECT

private:
    QTemporaryDir *world_ = nullptr;
    ThrowawayPostgres server_;
    bool postgres_ = false;

    QString path(const QString &name) const { return world_->filePath(name); }
    QString board(int n, const QString &name = QString()) const
    {
        return path(QStringLiteral("bus/adapter%1").arg(n) + (name.isEmpty() ? QString() : QLatin1Char('/') + name));
    }
    QString flash(int n) const { return board(n, QStringLiteral("flash.bin")); }
    static QString location(int n) { return QStringLiteral("%1-1").arg(n + 1); }
    void addBoards(int count)
    {
        for (int n = 0; n < count; ++n) {
            QVERIFY(QDir().mkpath(board(n)));
            QFile part(board(n, QStringLiteral("part")));
            QVERIFY(part.open(QIODevice::WriteOnly));
            part.write("xc7k325t\n");
            QFile place(board(n, QStringLiteral("usb-location")));
            QVERIFY(place.open(QIODevice::WriteOnly));
            place.write(location(n).toLatin1() + '\n');
        }
    }
    void startCli(QProcess &process, const QStringList &arguments) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("state")));
        env.insert(QStringLiteral("QB562_SIM_DIR"), path(QStringLiteral("bus")));
        env.insert(QStringLiteral("QB562_SIM_TIME_SCALE"), QStringLiteral("0"));
        process.setProcessEnvironment(env);
        process.start(exe(QStringLiteral("feldmoor-cli")), arguments);
    }
    Run cli(const QStringList &arguments)
    {
        QProcess process;
        startCli(process, arguments);
        process.closeWriteChannel();
        Run run;
        if (!process.waitForFinished(120000))
            return run;
        run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }
    QStringList load(const QString &record, const QString &serial, const QStringList &more = {}) const
    {
        return QStringList{QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--record"), record,
                           QStringLiteral("--serial-number"), serial} +
               more;
    }
    Run makePool(const QString &record, const QString &name, const QString &first, const QString &last,
                 const QString &format)
    {
        return cli({QStringLiteral("pool"), QStringLiteral("create"), name, QStringLiteral("--first"), first,
                    QStringLiteral("--last"), last, QStringLiteral("--format"), format, QStringLiteral("--record"),
                    record});
    }
    QJsonObject poolShown(const QString &record, const QString &name)
    {
        const Run shown = cli({QStringLiteral("pool"), QStringLiteral("show"), name, QStringLiteral("--json"),
                               QStringLiteral("--record"), record});
        return QJsonDocument::fromJson(shown.out).object();
    }
    QString counts(const QString &record, const QString &name)
    {
        const QJsonObject pool = poolShown(record, name);
        return QStringLiteral("free %1 used %2 reserved %3 spoiled %4 next %5")
            .arg(pool.value(QStringLiteral("free")).toInteger())
            .arg(pool.value(QStringLiteral("used")).toInteger())
            .arg(pool.value(QStringLiteral("reserved")).toInteger())
            .arg(pool.value(QStringLiteral("spoiled")).toInteger())
            .arg(pool.value(QStringLiteral("next")).toInteger());
    }
    bool needPostgres()
    {
        if (postgres_)
            return true;
        if (qEnvironmentVariableIsSet("FELDMOOR_REQUIRE_REAL_OPENOCD"))
            qFatal("PostgreSQL's server binaries are not installed (Debian's postgresql)");
        return false;
    }

private slots:
    void initTestCase()
    {
        if (!ThrowawayPostgres::available())
            return;
        const QString problem = server_.start();
        if (!problem.isEmpty())
            qFatal("the throwaway PostgreSQL did not start: %s", qPrintable(problem));
        postgres_ = true;
    }

    void init()
    {
        world_ = new QTemporaryDir;
        QVERIFY(world_->isValid());
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp"))));
        QCOMPARE(QProcess::execute(exe(QStringLiteral("simbit")),
                                   {QStringLiteral("bin"), path(QStringLiteral("top.bin")), QStringLiteral("--size"),
                                    QStringLiteral("4096"), QStringLiteral("--part"), QStringLiteral("xc7k325t")}),
                 0);
    }

    void cleanup()
    {
        delete world_;
        world_ = nullptr;
    }

    // Twelve loaders of several adapters each, round after round, draw from
    // one pool: every board's flash holds its own value right after the
    // image (in the image's last sector), and its row names the same one.
    void postgresqlLoadersAtOnceNeverShareAValue()
    {
        if (!needPostgres())
            QSKIP("PostgreSQL's server is not installed (Debian's postgresql)");
        const QString db = server_.uri();
        QCOMPARE(makePool(db, QStringLiteral("line"), QStringLiteral("7000"), QStringLiteral("0xffffffff"),
                          QStringLiteral("u32le"))
                     .code,
                 0);
        const int loaders = 12;
        // The stand-in's bus holds 16 adapters: 16 boards a round, 208 in
        // all. 400 take 21 s on the idle 2-core build machine and 40 s beside
        // other builds, too long for CI's budget.
        const int rounds = 13;
        const QList<int> adaptersOf = {2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1};
        int boards = 0;
        for (const int count : adaptersOf)
            boards += count;
        addBoards(boards);
        const QByteArray image = contents(path(QStringLiteral("top.bin")));

        struct Loader {
            std::unique_ptr<QProcess> process;
            QList<int> boards;
            QByteArray err;
            int prompts = 0;
        };
        std::vector<Loader> running(loaders);
        QList<quint32> flashed;
        int unexpected = 0;
        int next = 0;
        for (int k = 0; k < loaders; ++k) {
            Loader &loader = running[size_t(k)];
            QStringList adapters;
            for (int i = 0; i < adaptersOf.at(k); ++i) {
                loader.boards << next;
                adapters << QStringLiteral("--adapter") << location(next++);
            }
            loader.process = std::make_unique<QProcess>();
            QProcess *process = loader.process.get();
            // At each prompt the round's boards are taken off (their values
            // read, their flashes gone) and fresh ones go on.
            connect(process, &QProcess::readyReadStandardError, this, [&, process, k] {
                Loader &self = running[size_t(k)];
                self.err += process->readAllStandardError();
                const int prompts = int(self.err.count("Next board"));
                for (; self.prompts < prompts; ++self.prompts) {
                    for (const int n : std::as_const(self.boards)) {
                        const QByteArray held = contents(flash(n));
                        if (held.left(image.size()) != image)
                            ++unexpected;
                        flashed << u32le(held.mid(0x1000, 4));
                        QFile::remove(flash(n));
                    }
                    if (self.prompts + 1 < rounds)
                        process->write("\n");
                    else
                        process->closeWriteChannel();
                }
            });
            startCli(*process, load(db, QStringLiteral("line@0x1000"),
                                    QStringList{QStringLiteral("--repeat"), QStringLiteral("--quiet"),
                                                QStringLiteral("--station"), QStringLiteral("s%1").arg(k)} +
                                        adapters));
        }
        for (Loader &loader : running) {
            QTRY_VERIFY_WITH_TIMEOUT(loader.process->state() == QProcess::NotRunning, 120000);
            QVERIFY2(loader.process->exitCode() == 0, loader.err.constData());
        }
        const int total = boards * rounds;
        QCOMPARE(unexpected, 0);
        QCOMPARE(flashed.size(), total);
        const QSet<quint32> distinct(flashed.begin(), flashed.end());
        QCOMPARE(distinct.size(), total);
        QSet<quint32> recorded;
        for (const QStringList &row :
             postgresRows(db, "SELECT serial_number, result FROM boards WHERE serial_pool = 'line'")) {
            QCOMPARE(row.at(1), QStringLiteral("PASS"));
            recorded.insert(row.at(0).toUInt());
        }
        QCOMPARE(recorded, distinct);
        QCOMPARE(counts(db, QStringLiteral("line")),
                 QStringLiteral("free %1 used %2 reserved 0 spoiled 0 next %3")
                     .arg(0xffffffffLL - 7000 + 1 - total)
                     .arg(total)
                     .arg(7000 + total));
    }

    // A loader killed outright after its write: the value it reserved counts
    // as spoiled once its connection is gone, and is never drawn again. A
    // board whose probe failed gives its value back for the next board.
    void postgresqlKilledLoaderSpoilsFailedProbeFrees()
    {
        if (!needPostgres())
            QSKIP("PostgreSQL's server is not installed (Debian's postgresql)");
        const QString db = server_.uri();
        QCOMPARE(makePool(db, QStringLiteral("kill"), QStringLiteral("0x02005e000001"),
                          QStringLiteral("0x02005e0000ff"), QStringLiteral("mac"))
                     .code,
                 0);
        addBoards(1);
        QProcess killed;
        QByteArray log;
        killed.setProcessChannelMode(QProcess::MergedChannels);
        connect(&killed, &QProcess::readyReadStandardOutput, this, [&] {
            log += killed.readAllStandardOutput();
            // Planned: the write run's exit waits, its writes done.
            if (log.contains("sectors:") && !QFile::exists(board(0, QStringLiteral("hang"))))
                QFile(board(0, QStringLiteral("hang"))).open(QIODevice::WriteOnly);
        });
        startCli(killed, load(db, QStringLiteral("kill@0x200000")));
        QTRY_VERIFY2_WITH_TIMEOUT(log.count("contents match") >= 2, log.constData(), 30000);
        ::kill(pid_t(killed.processId()), SIGKILL);
        QVERIFY(killed.waitForFinished(10000));
        QVERIFY(QFile::remove(board(0, QStringLiteral("hang"))));
        QCOMPARE(contents(flash(0)).mid(0x200000, 6), QByteArray::fromHex("02005e000001"));
        QTRY_COMPARE_WITH_TIMEOUT(counts(db, QStringLiteral("kill")),
                                  QStringLiteral("free 254 used 0 reserved 0 spoiled 1 next 2200600313858"), 10000);

        QVERIFY(QFile(board(0, QStringLiteral("fail-init"))).open(QIODevice::WriteOnly));
        const Run probe = cli(load(db, QStringLiteral("kill@0x200000"), {QStringLiteral("--quiet")}));
        QCOMPARE(probe.code, 1);
        QCOMPARE(counts(db, QStringLiteral("kill")),
                 QStringLiteral("free 254 used 0 reserved 0 spoiled 1 next 2200600313859"));
        QVERIFY(QFile::remove(board(0, QStringLiteral("fail-init"))));

        const Run after = cli(load(db, QStringLiteral("kill@0x200000"), {QStringLiteral("--quiet")}));
        QVERIFY2(after.code == 0, after.err.constData());
        QCOMPARE(contents(flash(0)).mid(0x200000, 6), QByteArray::fromHex("02005e000002"));
        QCOMPARE(postgresRows(db, "SELECT result, coalesce(serial_number, '-') FROM boards ORDER BY id DESC LIMIT 2"),
                 Rows({{QStringLiteral("PASS"), QStringLiteral("02:00:5e:00:00:02")},
                       {QStringLiteral("FAIL"), QStringLiteral("-")}}));
        QCOMPARE(postgresRows(db, "SELECT value, state FROM serial_values WHERE pool = 'kill' ORDER BY value"),
                 Rows({{QStringLiteral("2200600313857"), QStringLiteral("spoiled")},
                       {QStringLiteral("2200600313858"), QStringLiteral("used")}}));
    }

    // An empty pool stops before the board is touched; serial bytes in the
    // image's range or past the flash, a CSV record, a load into the FPGA and
    // an unknown pool are refused before anything is written.
    void emptyPoolAndMisplacedSerialTouchNothing()
    {
        const QString db = QLatin1String("sqlite:") + path(QStringLiteral("line.db"));
        QCOMPARE(makePool(db, QStringLiteral("one"), QStringLiteral("41"), QStringLiteral("41"),
                          QStringLiteral("text:6"))
                     .code,
                 0);
        addBoards(1);
        QCOMPARE(cli(load(db, QStringLiteral("one@0x10000"), {QStringLiteral("--quiet")})).code, 0);
        QCOMPARE(contents(flash(0)).mid(0x10000, 8), QByteArray("000041\xff\xff"));
        QVERIFY(QFile::remove(flash(0)));

        const Run empty = cli(load(db, QStringLiteral("one@0x10000"), {QStringLiteral("--quiet")}));
        QCOMPARE(empty.code, 14);
        QVERIFY2(empty.err.contains("pool one has no value left"), empty.err.constData());
        const Run repeated = cli(load(db, QStringLiteral("one@0x10000"), {QStringLiteral("--repeat")}));
        QCOMPARE(repeated.code, 14);
        QVERIFY(!QFile::exists(flash(0)));

        QCOMPARE(makePool(db, QStringLiteral("wide"), QStringLiteral("1"), QStringLiteral("9"), QStringLiteral("u64be"))
                     .code,
                 0);
        for (const char *serial : {"wide@0xff8", "wide@0", "nope@0x100000"})
            QCOMPARE(cli(load(db, QLatin1String(serial))).code, 2);
        const Run pastEnd = cli(load(db, QStringLiteral("wide@0xfffffc")));
        QCOMPARE(pastEnd.code, 2);
        QVERIFY2(pastEnd.err.contains("run past the end of the 16.0 MiB flash"), pastEnd.err.constData());
        QCOMPARE(counts(db, QStringLiteral("wide")), QStringLiteral("free 9 used 0 reserved 0 spoiled 0 next 2"));
        QCOMPARE(cli(load(path(QStringLiteral("line.csv")), QStringLiteral("wide@0x100000"))).code, 2);
        QCOMPARE(QProcess::execute(exe(QStringLiteral("simbit")),
                                   {QStringLiteral("bit"), QStringLiteral("xc7k325t"), path(QStringLiteral("top.bit"))}),
                 0);
        QCOMPARE(cli({QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--record"), db,
                      QStringLiteral("--serial-number"), QStringLiteral("wide@0x100000")})
                     .code,
                 2);
        QVERIFY(!QFile::exists(flash(0)));
        QVERIFY(!QFile::exists(path(QStringLiteral("line.csv"))));
        QCOMPARE(counts(db, QStringLiteral("wide")), QStringLiteral("free 9 used 0 reserved 0 spoiled 0 next 2"));
    }

    // Two loaders on one SQLite file: each board its own value, the one its
    // row names; a reservation of a loader that is gone is spoiled.
    void sqliteTwoLoadersAtOnce()
    {
        const QString file = path(QStringLiteral("line.db"));
        const QString db = QLatin1String("sqlite:") + file;
        QCOMPARE(makePool(db, QStringLiteral("sn"), QStringLiteral("1"), QStringLiteral("99999999"),
                          QStringLiteral("text:8"))
                     .code,
                 0);
        addBoards(4);
        QProcess first;
        QProcess second;
        startCli(first, load(db, QStringLiteral("sn@0x100000"),
                             {QStringLiteral("--quiet"), QStringLiteral("--adapter"), location(0),
                              QStringLiteral("--adapter"), location(1)}));
        startCli(second, load(db, QStringLiteral("sn@0x100000"),
                              {QStringLiteral("--quiet"), QStringLiteral("--adapter"), location(2),
                               QStringLiteral("--adapter"), location(3)}));
        for (QProcess *loader : {&first, &second}) {
            loader->closeWriteChannel();
            QVERIFY(loader->waitForFinished(60000));
            QVERIFY2(loader->exitCode() == 0, loader->readAllStandardError().constData());
        }
        QSet<QString> flashed;
        for (int n = 0; n < 4; ++n)
            flashed.insert(QString::fromLatin1(contents(flash(n)).mid(0x100000, 8)));
        QCOMPARE(flashed, QSet<QString>({QStringLiteral("00000001"), QStringLiteral("00000002"),
                                         QStringLiteral("00000003"), QStringLiteral("00000004")}));
        QSet<QString> recorded;
        for (const QStringList &row : sqliteRows(file, "SELECT serial_number FROM boards"))
            recorded.insert(row.at(0));
        QCOMPARE(recorded, flashed);

        // Reserved by a process that has ended since.
        QProcess gone;
        gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
        QVERIFY(gone.waitForFinished());
        sqliteRows(file, qPrintable(QStringLiteral("INSERT INTO serial_values (pool, value, state, host, pid, started) "
                                                   "VALUES ('sn', '5', 'reserved', '%1', '%2', '1')")
                                        .arg(QSysInfo::machineHostName(), QString::fromLatin1(gone.readAll().trimmed()))));
        sqliteRows(file, "UPDATE serial_pools SET next_value = '6'");
        QCOMPARE(counts(db, QStringLiteral("sn")),
                 QStringLiteral("free 99999994 used 4 reserved 0 spoiled 1 next 6"));
    }
};

QTEST_GUILESS_MAIN(CliSerials)
#include "tst_cliserials.moc"
