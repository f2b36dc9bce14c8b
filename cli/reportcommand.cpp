#include "cli/reportcommand.h"

#include "cli/cliargs.h"
#include "cli/poolcommands.h"
#include "cli/records/recordrows.h"
#include "cli/records/recordstore.h"
#include "cli/reportpage.h"
#include "cli/reporter.h"
#include "cli/streamwrite.h"
#include "cli/exitcodes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>

namespace cli {

using namespace engine;

namespace {

QString percent(const Tally &tally)
{
    const std::optional<double> yield = tally.yield();
    return yield ? QString::number(*yield * 100, 'f', 1) + QLatin1Char('%') : QStringLiteral("-");
}

QString tallyText(const Tally &tally)
{
    const std::optional<double> median = tally.medianSeconds();
    return QStringLiteral("%1 %2, %3 passed, %4 failed, yield %5, median %6 per board")
        .arg(tally.boards)
        .arg(tally.boards == 1 ? QStringLiteral("board") : QStringLiteral("boards"))
        .arg(tally.passed)
        .arg(tally.failed())
        .arg(percent(tally), median ? QString::number(*median, 'f', 1) + QLatin1String(" s") : QStringLiteral("-"));
}

QJsonObject tallyJson(const Tally &tally)
{
    const std::optional<double> yield = tally.yield();
    const std::optional<double> median = tally.medianSeconds();
    return {{QStringLiteral("boards"), tally.boards},
            {QStringLiteral("passed"), tally.passed},
            {QStringLiteral("failed"), tally.failed()},
            {QStringLiteral("yield"), yield ? QJsonValue(qRound(*yield * 10000) / 10000.0) : QJsonValue()},
            {QStringLiteral("median_seconds"), median ? QJsonValue(*median) : QJsonValue()}};
}

QString exitMeaning(int code)
{
    for (const ExitCodeMeaning &meaning : kExitCodes) {
        if (meaning.code == code)
            return QLatin1String(meaning.brief);
    }
    return QStringLiteral("unknown");
}

// The record's rows, from its database or its CSV file, and its pools.
std::optional<RecordReport> gather(const CliOptions &options, int &code, QString &error)
{
    RecordReport report;
    report.record = options.recordFile;
    const RecordTarget target = recordTarget(options.recordFile);
    std::optional<RecordedRows> recorded;
    QString failed;
    if (target.isDatabase()) {
        RecordStore::Opened opened = RecordStore::open(target);
        if (!opened.store) {
            code = opened.errorCode;
            error = opened.error;
            return std::nullopt;
        }
        recorded = databaseRows(opened.store->database(), failed);
        std::optional<QList<PoolState>> pools;
        if (recorded)
            pools = readPools(opened.store->database(), QString(), failed);
        if (!recorded || !pools) {
            code = exitcode::kBadFile;
            error = QLatin1String("the record database ") + target.given + QLatin1String(": ") + failed;
            return std::nullopt;
        }
        report.pools = *pools;
    } else {
        recorded = csvRecordRows(target.location, failed);
        if (!recorded) {
            code = exitcode::kBadFile;
            error = QLatin1String("can't read the record ") + target.location + QLatin1String(": ") + failed;
            return std::nullopt;
        }
    }
    QList<ReportRow> rows;
    for (const QStringList &fields : recorded->rows) {
        const ReportRow row = reportRow(recorded->header, fields);
        if (withinReport(row, options.since))
            rows << row;
    }
    report.boards = summarize(rows);
    return report;
}

} // namespace

QString reportText(const RecordReport &report)
{
    const BoardReport &boards = report.boards;
    QString text = QLatin1String("in all: ") + tallyText(boards.all) + QLatin1Char('\n');
    text += QLatin1String("per station:\n");
    for (const StationTally &station : boards.stations)
        text += QLatin1String("  ") + station.station + QLatin1String(": ") + tallyText(station.tally) + QLatin1Char('\n');
    text += QLatin1String("per file:\n");
    for (const FileTally &file : boards.files)
        text += QStringLiteral("  %1 (SHA-256 %2): %3\n")
                    .arg(file.file, file.sha256.isEmpty() ? QStringLiteral("-") : file.sha256, tallyText(file.tally));
    text += QLatin1String("failures by exit code:\n");
    for (auto failure = boards.failures.cbegin(); failure != boards.failures.cend(); ++failure)
        text += QStringLiteral("  exit %1 (%2): %3\n").arg(failure.key()).arg(exitMeaning(failure.key())).arg(failure.value());
    if (!report.pools.isEmpty()) {
        text += QLatin1String("pools:\n");
        for (const PoolState &pool : report.pools)
            text += QLatin1String("  ") + poolText(pool) + QLatin1Char('\n');
    }
    return text;
}

QString reportJson(const RecordReport &report)
{
    const BoardReport &boards = report.boards;
    QJsonObject json = tallyJson(boards.all);
    QJsonArray stations;
    for (const StationTally &station : boards.stations) {
        QJsonObject entry = tallyJson(station.tally);
        entry.insert(QStringLiteral("station"), station.station);
        stations << entry;
    }
    QJsonArray files;
    for (const FileTally &file : boards.files) {
        QJsonObject entry = tallyJson(file.tally);
        entry.insert(QStringLiteral("file"), file.file);
        entry.insert(QStringLiteral("sha256"), file.sha256);
        files << entry;
    }
    QJsonArray failures;
    for (auto failure = boards.failures.cbegin(); failure != boards.failures.cend(); ++failure)
        failures << QJsonObject{{QStringLiteral("code"), failure.key()},
                                {QStringLiteral("meaning"), exitMeaning(failure.key())},
                                {QStringLiteral("boards"), failure.value()}};
    json.insert(QStringLiteral("stations"), stations);
    json.insert(QStringLiteral("files"), files);
    json.insert(QStringLiteral("failures"), failures);
    // The pools by hand, as pool show writes them: exact past 2^53.
    QStringList pools;
    for (const PoolState &pool : report.pools)
        pools << poolJson(pool);
    QString text = QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
    text.chop(1);
    return text + QLatin1String(",\"pools\":[") + pools.join(QLatin1Char(',')) + QLatin1String("]}");
}

int runReportCommand(const CliOptions &options, Reporter &reporter)
{
    int code = exitcode::kOk;
    QString error;
    const std::optional<RecordReport> report = gather(options, code, error);
    if (!report) {
        reporter.result({code, error, 0.0, {}});
        return code;
    }
    if (!options.htmlFile.isEmpty()) {
        QSaveFile page(options.htmlFile);
        const QByteArray bytes = reportPage(*report).toUtf8();
        if (!page.open(QIODevice::WriteOnly) || page.write(bytes) != bytes.size() || !page.commit()) {
            reporter.result({exitcode::kBadFile,
                             QLatin1String("can't write the page ") + options.htmlFile + QLatin1String(": ") +
                                 page.errorString(),
                             0.0,
                             {}});
            return exitcode::kBadFile;
        }
    }
    writeNow(stdout, (options.json ? reportJson(*report) + QLatin1Char('\n') : reportText(*report)).toUtf8());
    return exitcode::kOk;
}

} // namespace cli
