#include "chunkstopwatch.h"
#include "download/outputchunk.h"
#include "download/progresspercent.h"
#include "feedchunks.h"
#include "feedplan.h"
#include "monotonicclock.h"
#include "resulttable.h"
#include "samplesummary.h"
#include "stderrtofile.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

// The benchmark's arithmetic, its plumbing to the stand-in, and whether what
// the stand-in writes is read by the window the way the benchmark assumes.
class BenchFiguresTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void summaryInterpolatesPercentiles_data();
    void summaryInterpolatesPercentiles();
    void tableAlignsAndJudgesTheMedian();
    void feedPlanSurvivesTheEnvironment();
    void malformedFeedPlansAreRefused_data();
    void malformedFeedPlansAreRefused();
    void progressChunksMoveTheBarByTheirValue();
    void logChunkIsLoggedWhole();
    void stopwatchTimesSingleChunksOnly();
    void stopwatchRefusesAConsumerThatRunsAfterIt();
    void stderrGoesToTheFileAndBack();
    void standInWritesEachChunkAloneUnderAnotherName();
    void standInStampsItsExit();
    void standInRefusesToRunWithoutAPlan();

private:
    QString standIn() const { return copies.filePath("feeder"); }

    QTemporaryDir copies;
};

// The stand-in is built beside this suite, where the benchmark's window looks
// for it. Run from there it would start under the programming tool's name,
// which any suite's run on the machine may kill before it renames itself.
void BenchFiguresTest::initTestCase()
{
    QVERIFY(copies.isValid());
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/OpenOCD_QB562/bin/openocd.exe", standIn()));
    QVERIFY(QFileInfo(standIn()).isExecutable());
}

void BenchFiguresTest::summaryInterpolatesPercentiles_data()
{
    QTest::addColumn<QList<double>>("samples");
    QTest::addColumn<QList<double>>("expected"); // min, p10, median, p90, max

    QTest::newRow("odd, reversed") << QList<double>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}
                                   << QList<double>{1, 2, 6, 10, 11};
    QTest::newRow("even") << QList<double>{4, 1, 3, 2} << QList<double>{1, 1.3, 2.5, 3.7, 4};
    QTest::newRow("one") << QList<double>{7.5} << QList<double>{7.5, 7.5, 7.5, 7.5, 7.5};
    QTest::newRow("outlier") << QList<double>{1, 1, 1, 1, 1000} << QList<double>{1, 1, 1, 600.4, 1000};
}

void BenchFiguresTest::summaryInterpolatesPercentiles()
{
    QFETCH(QList<double>, samples);
    QFETCH(QList<double>, expected);
    const SampleSummary s = summarize(std::vector<double>(samples.begin(), samples.end()));
    QCOMPARE(s.count, std::size_t(samples.size()));
    const QList<double> got{s.min, s.p10, s.median, s.p90, s.max};
    for (int i = 0; i < got.size(); ++i)
        QVERIFY2(qAbs(got[i] - expected[i]) < 1e-9, qPrintable(QString("%1: %2").arg(i).arg(got[i])));

    QCOMPARE(summarize({}).count, std::size_t(0));
}

void BenchFiguresTest::tableAlignsAndJudgesTheMedian()
{
    const std::string table = formatResultTable({
        {"fast", "us", summarize({10, 12, 14}), 50},
        {"slow figure", "us", summarize({40, 60, 80}), 50},
        {"at target", "ms", summarize({100}), 100},
        {"nothing measured", "ms", {}, 100},
        {"no target", "us", summarize({1}), 0},
    });
    const QStringList lines = QString::fromStdString(table).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    for (const QString &line : lines)
        QCOMPARE(line.size(), lines.first().size());

    QVERIFY(lines[0].startsWith("figure "));
    QVERIFY(lines[0].endsWith("within"));
    QVERIFY(lines[1].startsWith("fast "));
    QVERIFY(lines[1].contains(" 12.0 "));
    QVERIFY(lines[1].endsWith(" yes"));
    QVERIFY(lines[2].contains(" 60.0 "));
    QVERIFY(lines[2].endsWith(" no"));
    // Within means below: a median on the target is not within it.
    QVERIFY(lines[3].endsWith(" no"));
    QVERIFY(lines[3].contains("< 100.0"));
    QVERIFY(lines[4].endsWith(" -"));
    QCOMPARE(lines[4].simplified().count(" - "), 5);
    QVERIFY(lines[5].endsWith(" -"));
}

void BenchFiguresTest::feedPlanSurvivesTheEnvironment()
{
    const FeedPlan plans[] = {
        {FeedKind::Progress, 1000, 3000, {}},
        {FeedKind::Log, 2000, 2500, {}},
        {FeedKind::Exit, 0, 0, "/tmp/a dir with  blanks/stamp"},
    };
    for (const FeedPlan &plan : plans) {
        qputenv(feedVariable, QByteArray::fromStdString(encodeFeedPlan(plan)));
        const auto back = decodeFeedPlan(qgetenv(feedVariable).toStdString());
        QVERIFY(back);
        QCOMPARE(int(back->kind), int(plan.kind));
        QCOMPARE(back->count, plan.count);
        QCOMPARE(back->gapMicroseconds, plan.gapMicroseconds);
        QCOMPARE(back->stampPath, plan.stampPath);
    }
    qunsetenv(feedVariable);
}

void BenchFiguresTest::malformedFeedPlansAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("unknown kind") << "walk 10 3000 ";
    QTest::newRow("negative count") << "log -1 3000 ";
    QTest::newRow("negative gap") << "progress 10 -5 ";
    QTest::newRow("missing gap") << "log 10";
    QTest::newRow("not a number") << "progress ten 3000 ";
    QTest::newRow("exit without a stamp") << "exit 0 0 ";
}

void BenchFiguresTest::malformedFeedPlansAreRefused()
{
    QFETCH(QString, text);
    QVERIFY(!decodeFeedPlan(text.toStdString()));
}

void BenchFiguresTest::progressChunksMoveTheBarByTheirValue()
{
    // The benchmark checks each handled report by the bar's value; that only
    // proves anything if the window turns the report into the percentage the
    // benchmark expects and no two reports in a row agree.
    const QRegularExpression format("^0x[0-9A-F]{8}\r\n$");
    int previous = -1;
    for (int i = 0; i < 250; ++i) {
        const QByteArray chunk = QByteArray::fromStdString(progressChunk(i));
        QCOMPARE(chunk.size(), 12);
        QVERIFY2(format.match(QString::fromLatin1(chunk)).hasMatch(), chunk.constData());
        QVERIFY(isProgressChunk(chunk));
        QVERIFY(!isEraseRestartChunk(chunk));
        const auto percent = progressPercent(progressBytes(chunk), progressImageBytes);
        QVERIFY(percent);
        QCOMPARE(percent->whole, progressChunkPercent(i));
        QCOMPARE(percentOfImage(chunk.mid(2, 8).toInt(nullptr, 16)), progressChunkPercent(i));
        QVERIFY(percent->whole >= 1 && percent->whole <= 100);
        QVERIFY(percent->whole != previous);
        previous = percent->whole;
    }
    // The exit run's single report leaves the bar away from 0, which the
    // idle stamp needs.
    QCOMPARE(progressChunkPercent(49), 50);
}

void BenchFiguresTest::logChunkIsLoggedWhole()
{
    const QByteArray chunk = QByteArray::fromStdString(logChunk());
    QVERIFY(!isProgressChunk(chunk));
    QVERIFY(!isEraseRestartChunk(chunk));
    QVERIFY(chunk.endsWith('\n'));
    QCOMPARE(chunk.count('\n'), 1);
    QCOMPARE(chunkLogText(chunk), QString::fromLatin1(chunk.chopped(1)));
}

void BenchFiguresTest::stopwatchTimesSingleChunksOnly()
{
    // A consumer connected first, as the window is: it reads everything.
    QProcess child;
    QByteArray consumed;
    int consumedAt = 0;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &child, [&] {
        consumed += child.readAllStandardOutput();
        ++consumedAt;
    });
    int expectedConsumptions = 0;
    ChunkStopwatch watch(&child, 3,
                         {[&](const QByteArray &) { expectedConsumptions = consumedAt + 1; },
                          [&] { return consumedAt == expectedConsumptions && consumed.endsWith("abc"); }});
    // Three deliveries: one chunk, two chunks read together, one chunk that
    // the check does not accept.
    child.start("sh", {"-c", "printf abc; sleep 0.2; printf abcabc; sleep 0.2; printf xyz"});
    QVERIFY(child.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, 5000);

    QCOMPARE(consumed, QByteArray("abcabcabcxyz"));
    QCOMPARE(watch.deliveries(), 3);
    QCOMPARE(watch.merged(), 1);
    QCOMPARE(watch.unseen(), 1);
    QCOMPARE(watch.samples().size(), std::size_t(1));
    QCOMPARE(watch.samples().front().delivery, 1);
    QVERIFY(watch.samples().front().microseconds >= 0);
    QCOMPARE(watch.microseconds(2, 3).size(), std::size_t(0));
    QCOMPARE(watch.microseconds(1, 1).size(), std::size_t(1));
}

void BenchFiguresTest::stopwatchRefusesAConsumerThatRunsAfterIt()
{
    // Connected after the stopwatch, the consumer has not run at its end
    // stamp: nothing may be timed, whatever the effect check says.
    QProcess child;
    ChunkStopwatch watch(&child, 3, {[](const QByteArray &) {}, [] { return true; }});
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &child, [&] { child.readAllStandardOutput(); });
    child.start("sh", {"-c", "printf abc; sleep 0.2; printf def"});
    QVERIFY(child.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, 5000);

    QCOMPARE(watch.deliveries(), 2);
    QCOMPARE(watch.unseen(), 2);
    QVERIFY(watch.samples().empty());
}

void BenchFiguresTest::stderrGoesToTheFileAndBack()
{
    // Nested, so that the restore is seen in the outer file rather than on
    // the terminal.
    QTemporaryDir dir;
    const QString outer = dir.filePath("outer.log");
    const QString inner = dir.filePath("inner.log");
    {
        StderrToFile outside(outer.toStdString());
        QVERIFY(outside.ok());
        {
            StderrToFile inside(inner.toStdString());
            QVERIFY(inside.ok());
            QVERIFY(::write(STDERR_FILENO, "inner\n", 6) == 6);
        }
        QVERIFY(::write(STDERR_FILENO, "outer\n", 6) == 6);
    }
    const auto contents = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    QCOMPARE(contents(inner), QByteArray("inner\n"));
    QCOMPARE(contents(outer), QByteArray("outer\n"));

    StderrToFile nowhere(dir.filePath("missing/stderr.log").toStdString());
    QVERIFY(!nowhere.ok());
}

void BenchFiguresTest::standInWritesEachChunkAloneUnderAnotherName()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(feedVariable, QString::fromStdString(encodeFeedPlan({FeedKind::Progress, 4, 50000, {}})));
    child.setProcessEnvironment(env);
    QList<QByteArray> reads;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &child,
                     [&] { reads << child.readAllStandardOutput(); });
    child.start(standIn(), {"-f", "ignored.cfg"});
    QVERIFY(child.waitForStarted());

    // Renamed first thing, well before the first chunk is due.
    const QString comm = QString("/proc/%1/comm").arg(child.processId());
    const auto name = [&] {
        QFile file(comm);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(name(), QByteArray("benchfeed\n"), 1000);
    QVERIFY(reads.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, 5000);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QList<QByteArray> expected;
    for (int i = 0; i < 4; ++i)
        expected << QByteArray::fromStdString(progressChunk(i));
    QCOMPARE(reads, expected);
}

void BenchFiguresTest::standInStampsItsExit()
{
    QTemporaryDir dir;
    const QString stamp = dir.filePath("exit stamp");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(feedVariable, QString::fromStdString(encodeFeedPlan({FeedKind::Exit, 0, 0, stamp.toStdString()})));
    child.setProcessEnvironment(env);

    const std::int64_t before = monotonicNanoseconds();
    child.start(standIn(), QStringList());
    QVERIFY(child.waitForFinished(5000));
    const std::int64_t after = monotonicNanoseconds();
    QCOMPARE(child.exitCode(), 0);
    // One report, so the window's bar stands away from 0 when the run ends.
    QCOMPARE(child.readAllStandardOutput(), QByteArray::fromStdString(progressChunk(49)));

    QFile file(stamp);
    QVERIFY(file.open(QIODevice::ReadOnly));
    bool ok = false;
    const qint64 exitedAt = file.readAll().trimmed().toLongLong(&ok);
    QVERIFY(ok);
    QVERIFY(exitedAt > before);
    QVERIFY(exitedAt < after);
}

void BenchFiguresTest::standInRefusesToRunWithoutAPlan()
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(feedVariable);
    child.setProcessEnvironment(env);
    child.start(standIn(), QStringList());
    QVERIFY(child.waitForFinished(5000));
    QCOMPARE(child.exitCode(), 2);
    QVERIFY(child.readAllStandardOutput().isEmpty());
    QVERIFY(child.readAllStandardError().contains(feedVariable));
}

QTEST_GUILESS_MAIN(BenchFiguresTest)

#include "tst_benchfigures.moc"
