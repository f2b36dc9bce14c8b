#ifndef FELDMOOR_CLI_RECORDS_BOARDREPORT_H
#define FELDMOOR_CLI_RECORDS_BOARDREPORT_H

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// A record's time as the rows hold it, or as --since takes it: ISO 8601,
// with or without its offset from UTC (without: this machine's time), or a
// date alone (its midnight).
std::optional<QDateTime> recordTime(const QString &text);

// What a report counts of one board's row.
struct ReportRow {
    QDateTime time;  // invalid when the row's time can't be read
    QString station;
    QString file;
    QString sha256;
    bool passed = false;
    int exitCode = 0;
    std::optional<double> seconds;
};

// A row by its columns' names (`header`): the CSV record's, whose station is
// its host, or a database's with its station column.
ReportRow reportRow(const QStringList &header, const QStringList &fields);

// The rows at or after `since`, all without it; a row whose time can't be
// read counts only without it.
bool withinReport(const ReportRow &row, const std::optional<QDateTime> &since);

struct Tally {
    int boards = 0;
    int passed = 0;
    QList<double> seconds;

    int failed() const { return boards - passed; }
    // Passed of all, 0 to 1; none without boards.
    std::optional<double> yield() const;
    // The middle time per board (the mean of the middle two for an even count).
    std::optional<double> medianSeconds() const;
    void add(const ReportRow &row);
};

struct FileTally {
    QString file;
    QString sha256;
    Tally tally;
};

struct StationTally {
    QString station;
    Tally tally;
};

// Boards passed and failed in one hour (UTC) at one station, for the chart.
struct HourTally {
    QDateTime hour;
    QString station;
    int passed = 0;
    int failed = 0;
};

struct BoardReport {
    Tally all;
    QList<FileTally> files;        // by file, then SHA-256
    QList<StationTally> stations;  // by name
    QMap<int, int> failures;       // boards failed, by exit code
    QList<HourTally> hours;        // by hour, then station
};

BoardReport summarize(const QList<ReportRow> &rows);

} // namespace cli

#endif
