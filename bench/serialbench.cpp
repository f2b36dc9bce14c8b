// A production session with serial numbers against one without, and the
// record database's own share of each board. Usage:
//   feldmoor_serialbench IMAGE CSV POSTGRES_URI SQLITE_PATH [BOARDS]
// Runs feldmoor-cli (beside this program) as a --repeat session of BOARDS
// rounds (default 100) on the simulated bus of QB562_SIM_DIR, its one
// board swapped for a blank one at each prompt, as on a line: once with the
// CSV record and no serial, then with the PostgreSQL record and
// --serial-number; prints both wall times and their ratio. Then times what
// the loader asks of the database per board (a value drawn, its reservation
// settled as used, the board's row) on that PostgreSQL and on the SQLite
// file, and prints the median and the slowest board in milliseconds.

#include "cli/records/poolstore.h"
#include "cli/records/poolvalues.h"
#include "cli/records/recordstore.h"
#include "cli/records/recordtarget.h"
#include "samplesummary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QUuid>
#include <QEventLoop>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <vector>

namespace {

// One --repeat session of `boards` rounds, a blank board at each prompt;
// its wall time in seconds, or a negative one when it failed.
double session(const QStringList &arguments, int boards)
{
    const QString flash = QDir(qEnvironmentVariable("QB562_SIM_DIR")).filePath(QStringLiteral("adapter0/flash.bin"));
    QFile::remove(flash);
    QProcess loader;
    QByteArray said;
    int rounds = 0;
    QObject::connect(&loader, &QProcess::readyReadStandardError, [&] {
        said += loader.readAllStandardError();
        for (; rounds < int(said.count("Next board")); ++rounds) {
            QFile::remove(flash);
            if (rounds + 1 < boards)
                loader.write("\n");
            else
                loader.closeWriteChannel();
        }
    });
    QEventLoop loop;
    QObject::connect(&loader, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    loader.start(QCoreApplication::applicationDirPath() + QLatin1String("/feldmoor-cli"),
                 QStringList{QStringLiteral("load")} + arguments + QStringList{QStringLiteral("--repeat"),
                                                                                QStringLiteral("--quiet")});
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (loader.exitStatus() != QProcess::NormalExit || loader.exitCode() != 0 || rounds != boards) {
        std::fprintf(stderr, "feldmoor_serialbench: the session failed: %s\n", said.constData());
        return -1;
    }
    return seconds;
}

// The database's share of each of `boards` boards, in milliseconds.
int databaseShare(const QString &record, int boards)
{
    cli::RecordStore::Opened opened = cli::RecordStore::open(cli::recordTarget(record));
    if (!opened.store) {
        std::fprintf(stderr, "feldmoor_serialbench: %s\n", qPrintable(opened.error));
        return 1;
    }
    cli::RecordDatabase &db = opened.store->database();
    const QString pool = QStringLiteral("bench-%1").arg(QCoreApplication::applicationPid());
    const cli::SerialFormat format{cli::SerialLayout::U32Le, 0};
    if (cli::createPool(db, {pool, format, 1, 0xffffffff}).outcome != cli::PoolOutcome::Done) {
        std::fprintf(stderr, "feldmoor_serialbench: the pool could not be made\n");
        return 1;
    }
    cli::LoaderMark mark;
    if (const std::optional<QString> error = cli::takeLoaderMark(db, mark)) {
        std::fprintf(stderr, "feldmoor_serialbench: %s\n", qPrintable(*error));
        return 1;
    }
    // A row as a passed flash board's, the fields as long as the loader's.
    QStringList fields = {QStringLiteral("2026-12-09T13:00:00+00:00"), QStringLiteral("station-1"),
                          QStringLiteral("/srv/line/top.bin"), QString(64, QLatin1Char('a')),
                          QStringLiteral("xc7k325t"), QStringLiteral("0x03651093"), QStringLiteral("bin"),
                          QStringLiteral("PASS"), QStringLiteral("0"), QStringLiteral("0.5"), QStringLiteral("0"),
                          QStringLiteral("1-1"), QString(), QStringLiteral("1"), QStringLiteral("0"),
                          QStringLiteral("1")};
    std::vector<double> share;
    for (int board = 0; board < boards; ++board) {
        QElapsedTimer clock;
        clock.start();
        const cli::DrawnValue drawn = cli::drawValue(db, pool, mark);
        if (drawn.outcome != cli::DrawOutcome::Drawn) {
            std::fprintf(stderr, "feldmoor_serialbench: the draw failed: %s\n", qPrintable(drawn.error));
            return 1;
        }
        cli::BoardRow row{fields, QStringLiteral("bench"), pool, cli::serialText(format, drawn.value),
                          QUuid::createUuid().toString(QUuid::WithoutBraces),
                          cli::SerialSettlement{pool, drawn.value, cli::ValueFate::Used}};
        if (const std::optional<QString> error = opened.store->appendBoard(row)) {
            std::fprintf(stderr, "feldmoor_serialbench: %s\n", qPrintable(*error));
            return 1;
        }
        share.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const SampleSummary summary = summarize(share);
    std::printf("%s: database share per board (draw, confirm, row), %d boards: median %.2f ms, slowest %.2f ms\n",
                qPrintable(cli::recordTarget(record).kind == cli::RecordKind::Sqlite ? QStringLiteral("SQLite")
                                                                                               : QStringLiteral("PostgreSQL")),
                boards, summary.median, summary.max);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: feldmoor_serialbench IMAGE CSV POSTGRES_URI SQLITE_PATH [BOARDS]\n");
        return 2;
    }
    const QString image = arguments.at(1);
    const QString postgres = arguments.at(3);
    const int boards = arguments.size() > 5 ? arguments.at(5).toInt() : 100;
    const QString pool = QStringLiteral("line-%1").arg(QCoreApplication::applicationPid());
    QProcess made;
    made.start(QCoreApplication::applicationDirPath() + QLatin1String("/feldmoor-cli"),
               {QStringLiteral("pool"), QStringLiteral("create"), pool, QStringLiteral("--first"), QStringLiteral("1"),
                QStringLiteral("--last"), QStringLiteral("0xffffffff"), QStringLiteral("--format"),
                QStringLiteral("u32le"), QStringLiteral("--record"), postgres});
    if (!made.waitForFinished() || made.exitCode() != 0) {
        std::fprintf(stderr, "feldmoor_serialbench: the pool could not be made: %s\n", made.readAllStandardError().constData());
        return 1;
    }
    const double plain = session({image, QStringLiteral("--record"), arguments.at(2)}, boards);
    const double serial = session({image, QStringLiteral("--record"), postgres, QStringLiteral("--serial-number"),
                                   pool + QLatin1String("@0xff0000")},
                                  boards);
    if (plain < 0 || serial < 0)
        return 1;
    std::printf("%d boards, time scale 0: CSV record, no serial %.2f s; PostgreSQL and --serial-number %.2f s: "
                "%.3fx\n",
                boards, plain, serial, serial / plain);
    if (const int failed = databaseShare(postgres, boards))
        return failed;
    return databaseShare(QLatin1String("sqlite:") + arguments.at(4), boards);
}
