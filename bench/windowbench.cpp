// Measures, through the real window and a real child process, what handling
// the programming tool's output costs and how soon the window is idle after
// the tool ends. Prints the figures; it measures and does not judge.

#include "benchwindow.h"
#include "chunkstopwatch.h"
#include "feedchunks.h"
#include "feedplan.h"
#include "idlestopwatch.h"
#include "resulttable.h"
#include "samplesummary.h"
#include "stderrtofile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int progressChunks = 1000;
constexpr int hiddenProgressChunks = 500;
constexpr int logChunks = 2000;
constexpr int logBin = 100;
constexpr int exitRuns = 40;
// Long enough apart that each chunk is read alone, short enough to keep the
// whole benchmark well under a minute.
constexpr int chunkGapMicroseconds = 3000;
constexpr int runLimitMs = 60000;

constexpr double progressTargetUs = 50;
constexpr double logTargetUs = 200;
constexpr double idleTargetMs = 100;

struct Report {
    std::vector<ResultRow> rows;
    std::vector<std::string> notes;
    bool complete = true;
};

std::string deliveryNote(const std::string &what, const ChunkStopwatch &watch)
{
    return what + ": " + std::to_string(watch.deliveries()) + " deliveries, "
        + std::to_string(watch.samples().size()) + " timed, " + std::to_string(watch.merged())
        + " merged with a neighbour (not timed), " + std::to_string(watch.unseen())
        + " failing the order check (not timed)";
}

// Runs `plan` under a fresh stopwatch until its stand-in ends by itself, at
// most a few times, and hands the stopwatch of the last attempt to `record`.
// `prepare` runs before each attempt.
void measureChunks(BenchWindow &window, Report &report, const std::string &what, const FeedPlan &plan,
                   qsizetype chunkBytes, const std::function<ChunkStopwatch::Effect()> &prepare,
                   const std::function<void(const ChunkStopwatch &)> &record)
{
    constexpr int attempts = 3;
    for (int attempt = 1;; ++attempt) {
        ChunkStopwatch watch(window.process(), chunkBytes, prepare());
        const bool idle = window.run(plan, runLimitMs);
        const bool clean = idle && window.childExitedCleanly();
        if (!clean) {
            const std::string ending = idle ? window.childEnding() : "no end within the time limit";
            report.notes.push_back(what + ": the stand-in ended early (" + ending + ") after "
                                   + std::to_string(watch.deliveries()) + " deliveries; "
                                   + (attempt < attempts ? "measured again" : "figures are partial"));
            if (attempt < attempts)
                continue;
        }
        record(watch);
        report.notes.push_back(deliveryNote(what, watch));
        report.complete = report.complete && !watch.samples().empty() && watch.unseen() == 0;
        return;
    }
}

void measureProgress(BenchWindow &window, Report &report, bool shown, int chunks)
{
    const std::string what = shown ? "progress" : "progress, window hidden";
    window.setShown(shown);
    QProgressBar *bar = window.bar();
    int before = -1;
    int expected = -1;
    const auto effect = [&]() -> ChunkStopwatch::Effect {
        return {[&](const QByteArray &chunk) {
                    before = bar->value();
                    expected = percentOfImage(chunk.mid(2, 8).toInt(nullptr, 16));
                },
                [&] { return before != expected && bar->value() == expected; }};
    };
    const std::string figure = shown ? "progress chunk (softOutPut + changeProcessValue)"
                                     : "progress chunk, window hidden (no bar repaint)";
    measureChunks(window, report, what, {FeedKind::Progress, chunks, chunkGapMicroseconds, {}},
                  qsizetype(progressChunk(0).size()), effect, [&](const ChunkStopwatch &watch) {
                      report.rows.push_back({figure, "us", summarize(watch.microseconds()), progressTargetUs});
                  });
    window.setShown(true);
}

void measureLog(BenchWindow &window, Report &report)
{
    QPlainTextEdit *pane = window.pane();
    const QString line = QString::fromStdString(logChunk()).simplified();
    int blocksBefore = 0;
    const auto effect = [&]() -> ChunkStopwatch::Effect {
        pane->clear();
        return {[&](const QByteArray &) { blocksBefore = pane->blockCount(); },
                [&] {
                    return pane->blockCount() == blocksBefore + 1 && pane->document()->lastBlock().text() == line;
                }};
    };
    const auto record = [&](const ChunkStopwatch &watch) {
        report.rows.push_back({"log chunk (softOutPut + append), all", "us", summarize(watch.microseconds()),
                               logTargetUs});
        // The pane is never cleared during the run: the nth delivery lands on
        // a pane of about n lines (one more for the launch line).
        report.rows.push_back({"log chunk, pane at lines 1-" + std::to_string(logBin), "us",
                               summarize(watch.microseconds(1, logBin)), logTargetUs});
        report.rows.push_back({"log chunk, pane at lines " + std::to_string(logChunks - logBin + 1) + "-"
                                   + std::to_string(logChunks),
                               "us", summarize(watch.microseconds(logChunks - logBin + 1, logChunks)),
                               logTargetUs});
    };
    measureChunks(window, report, "log", {FeedKind::Log, logChunks, chunkGapMicroseconds, {}},
                  qsizetype(logChunk().size()), effect, record);
    report.notes.back() += "; pane held " + std::to_string(pane->blockCount()) + " lines at the end, never cleared";
}

std::optional<std::int64_t> readStamp(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 value = file.readAll().trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

void measureExitToIdle(BenchWindow &window, const QString &stampPath, Report &report)
{
    IdleStopwatch idle(window.bar(), window.button());
    std::vector<double> milliseconds;
    int lost = 0;
    int disordered = 0;
    for (int i = 0; i < exitRuns; ++i) {
        QFile::remove(stampPath);
        idle.arm();
        const bool ended = window.run({FeedKind::Exit, 0, 0, stampPath.toStdString()}, runLimitMs);
        const auto exitedAt = readStamp(stampPath);
        // A stand-in killed by someone else's run ends without a stamp.
        if (!ended || !exitedAt || !idle.idleAt()) {
            ++lost;
            continue;
        }
        if (!idle.buttonWasIdle()) {
            ++disordered;
            continue;
        }
        milliseconds.push_back(double(*idle.idleAt() - *exitedAt) / 1e6);
    }
    report.rows.push_back({"child exit -> window idle", "ms", summarize(milliseconds), idleTargetMs});
    report.notes.push_back("exit: " + std::to_string(exitRuns) + " runs, " + std::to_string(lost)
                           + " without a stamp (not counted), " + std::to_string(disordered)
                           + " where the button was not yet idle at the stamp (not counted)");
    report.complete = report.complete && !milliseconds.empty() && disordered == 0;
}

bool writeImage(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(QByteArray(qsizetype(progressImageBytes), '\x5a')) == qint64(progressImageBytes);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir(scratch.path()).mkpath("bus/adapter0")) {
        std::printf("cannot make a scratch directory\n");
        return 1;
    }
    // The environment must be in place before the application and the window exist.
    qputenv("QB562_SIM_DIR", scratch.filePath("bus").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    // Qt wants one; a private scratch directory (mode 0700) serves.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", scratch.path().toLocal8Bit());
    QApplication app(argc, argv);

    const QString image = scratch.filePath("image.bin");
    if (!writeImage(image)) {
        std::printf("cannot write %s\n", qPrintable(image));
        return 1;
    }
    const QString debugLog = QCoreApplication::applicationDirPath() + "/window-debug.log";

    QElapsedTimer wall;
    wall.start();
    Report report;
    {
        StderrToFile quiet(debugLog.toStdString());
        BenchWindow window(image);
        const QString problem = window.problem();
        if (!problem.isEmpty()) {
            std::printf("cannot benchmark: %s\n", qPrintable(problem));
            return 1;
        }
        measureProgress(window, report, true, progressChunks);
        measureProgress(window, report, false, hiddenProgressChunks);
        measureLog(window, report);
        measureExitToIdle(window, scratch.filePath("exit-stamp"), report);
    }

    std::printf("Feldmoor window benchmark: Qt %s, platform %s, %d cores, %.1f s\n\n", qVersion(),
                qPrintable(QGuiApplication::platformName()), QThread::idealThreadCount(),
                double(wall.elapsed()) / 1000.0);
    std::fputs(formatResultTable(report.rows).c_str(), stdout);
    std::printf("\n");
    for (const std::string &note : report.notes)
        std::printf("%s\n", note.c_str());
    std::printf("chunk stamps: readyRead (before the window's slot) to readyReadStandardOutput (after it), "
                "steady clock; a delivery counts only if its chunk was unread at the first stamp and "
                "consumed, its effect on the bar or pane visible, at the second\n");
    std::printf("idle stamp: CLOCK_MONOTONIC written by the child just before _exit, to the bar's "
                "synchronous valueChanged(0) right after the button reads \"下载\" again\n");
    std::printf("the window's debug lines went to %s\n", qPrintable(debugLog));
    return report.complete ? 0 : 1;
}
