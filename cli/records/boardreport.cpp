#include "cli/records/boardreport.h"

#include <algorithm>

namespace cli {

std::optional<QDateTime> recordTime(const QString &text)
{
    QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
        if (date.isValid())
            time = date.startOfDay();
    }
    if (!time.isValid())
        return std::nullopt;
    return time;
}

ReportRow reportRow(const QStringList &header, const QStringList &fields)
{
    const auto column = [&](const char *name) {
        const qsizetype at = header.indexOf(QLatin1String(name));
        return at < 0 ? QString() : fields.value(at);
    };
    ReportRow row;
    if (const std::optional<QDateTime> time = recordTime(column("time")))
        row.time = *time;
    row.station = header.contains(QLatin1String("station")) ? column("station") : column("host");
    row.file = column("file");
    row.sha256 = column("sha256");
    row.passed = column("result") == QLatin1String("PASS");
    row.exitCode = column("exit_code").toInt();
    bool number = false;
    const double seconds = column("seconds").toDouble(&number);
    if (number)
        row.seconds = seconds;
    return row;
}

bool withinReport(const ReportRow &row, const std::optional<QDateTime> &since)
{
    return !since || (row.time.isValid() && row.time >= *since);
}

std::optional<double> Tally::yield() const
{
    if (boards == 0)
        return std::nullopt;
    return double(passed) / boards;
}

std::optional<double> Tally::medianSeconds() const
{
    if (seconds.isEmpty())
        return std::nullopt;
    QList<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted.at(middle) : (sorted.at(middle - 1) + sorted.at(middle)) / 2;
}

void Tally::add(const ReportRow &row)
{
    ++boards;
    passed += row.passed ? 1 : 0;
    if (row.seconds)
        seconds << *row.seconds;
}

BoardReport summarize(const QList<ReportRow> &rows)
{
    BoardReport report;
    QMap<QPair<QString, QString>, Tally> files;
    QMap<QString, Tally> stations;
    QMap<QPair<QDateTime, QString>, HourTally> hours;
    for (const ReportRow &row : rows) {
        report.all.add(row);
        files[{row.file, row.sha256}].add(row);
        stations[row.station].add(row);
        if (!row.passed)
            ++report.failures[row.exitCode];
        if (!row.time.isValid())
            continue;
        const QDateTime utc = row.time.toUTC();
        const QDateTime hour(utc.date(), QTime(utc.time().hour(), 0), Qt::UTC);
        HourTally &tally = hours[{hour, row.station}];
        tally.hour = hour;
        tally.station = row.station;
        (row.passed ? tally.passed : tally.failed) += 1;
    }
    for (auto file = files.cbegin(); file != files.cend(); ++file)
        report.files << FileTally{file.key().first, file.key().second, file.value()};
    for (auto station = stations.cbegin(); station != stations.cend(); ++station)
        report.stations << StationTally{station.key(), station.value()};
    report.hours = hours.values();
    return report;
}

} // namespace cli
