#include "cli/reportpage.h"

#include "cli/reportcommand.h"

#include <algorithm>

namespace cli {

namespace {

struct Bar {
    QString label;
    int passed = 0;
    int failed = 0;
};

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString percent(const Tally &tally)
{
    const std::optional<double> yield = tally.yield();
    return yield ? QString::number(*yield * 100, 'f', 1) + QLatin1Char('%') : QStringLiteral("-");
}

QString median(const Tally &tally)
{
    const std::optional<double> seconds = tally.medianSeconds();
    return seconds ? QString::number(*seconds, 'f', 1) : QStringLiteral("-");
}

QString tallyCells(const Tally &tally)
{
    return QStringLiteral("<td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td>")
        .arg(tally.boards)
        .arg(tally.passed)
        .arg(tally.failed())
        .arg(percent(tally), median(tally));
}

const QLatin1String kTallyHeads("<th>boards</th><th>passed</th><th>failed</th><th>yield</th><th>median s</th>");

// Stacked bars, passed below failed, one per label, scaled to the largest.
QString barChart(const QString &title, const QList<Bar> &bars)
{
    const int barWidth = 28;
    const int gap = 8;
    const int height = 160;
    const int top = 24;
    const int bottom = 70;  // room for the labels, turned
    const int left = 40;
    int most = 1;
    for (const Bar &bar : bars)
        most = std::max(most, bar.passed + bar.failed);
    const int width = left + int(bars.size()) * (barWidth + gap) + gap;
    QString svg = QStringLiteral("<svg width=\"%1\" height=\"%2\" "
                                 "role=\"img\" aria-label=\"%3\">")
                      .arg(std::max(width, 240))
                      .arg(top + height + bottom)
                      .arg(escaped(title));
    svg += QStringLiteral("<text x=\"4\" y=\"16\" font-size=\"13\">%1</text>").arg(escaped(title));
    svg += QStringLiteral("<text x=\"4\" y=\"%1\" font-size=\"11\">%2</text>").arg(top + 10).arg(most);
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#888\"/>")
               .arg(left)
               .arg(top + height)
               .arg(width);
    for (qsizetype i = 0; i < bars.size(); ++i) {
        const Bar &bar = bars.at(i);
        const int x = left + gap + int(i) * (barWidth + gap);
        const int passed = bar.passed * height / most;
        const int failed = bar.failed * height / most;
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#2e7d32\">"
                              "<title>%5: %6 passed</title></rect>")
                   .arg(x)
                   .arg(top + height - passed)
                   .arg(barWidth)
                   .arg(passed)
                   .arg(escaped(bar.label))
                   .arg(bar.passed);
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#c62828\">"
                              "<title>%5: %6 failed</title></rect>")
                   .arg(x)
                   .arg(top + height - passed - failed)
                   .arg(barWidth)
                   .arg(failed)
                   .arg(escaped(bar.label))
                   .arg(bar.failed);
        svg += QStringLiteral("<text font-size=\"10\" transform=\"translate(%1,%2) rotate(60)\">%3</text>")
                   .arg(x + 4)
                   .arg(top + height + 10)
                   .arg(escaped(bar.label));
    }
    return svg + QLatin1String("</svg>\n");
}

QString hourLabel(const QDateTime &hour)
{
    return hour.toString(QStringLiteral("yyyy-MM-dd HH:00"));
}

// Every hour of the report, summed over the stations or of one.
QList<Bar> hourBars(const QList<HourTally> &hours, const QString *station)
{
    QList<Bar> bars;
    QDateTime last;
    for (const HourTally &hour : hours) {
        if (station && hour.station != *station)
            continue;
        if (bars.isEmpty() || hour.hour != last)
            bars << Bar{hourLabel(hour.hour), 0, 0};
        last = hour.hour;
        bars.last().passed += hour.passed;
        bars.last().failed += hour.failed;
    }
    return bars;
}

} // namespace

QString reportPage(const RecordReport &report)
{
    const BoardReport &boards = report.boards;
    QString page = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<title>feldmoor-cli report: %1</title>\n"
        "<style>body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse;margin:0.5em 0 1.5em}"
        "th,td{border:1px solid #bbb;padding:0.2em 0.6em;text-align:right}th:first-child,td:first-child"
        "{text-align:left}svg{display:block;margin:0.5em 0 1.5em}</style>\n</head><body>\n"
        "<h1>Boards recorded in %1</h1>\n")
                       .arg(escaped(report.record));
    page += QLatin1String("<h2>In all</h2>\n<table><tr><th></th>") + kTallyHeads + QLatin1String("</tr><tr><td>all</td>") +
            tallyCells(boards.all) + QLatin1String("</tr></table>\n");
    page += QLatin1String("<h2>Per station</h2>\n<table><tr><th>station</th>") + kTallyHeads + QLatin1String("</tr>\n");
    for (const StationTally &station : boards.stations)
        page += QLatin1String("<tr><td>") + escaped(station.station) + QLatin1String("</td>") +
                tallyCells(station.tally) + QLatin1String("</tr>\n");
    page += QLatin1String("</table>\n<h2>Per file</h2>\n<table><tr><th>file</th><th>SHA-256</th>") + kTallyHeads +
            QLatin1String("</tr>\n");
    for (const FileTally &file : boards.files)
        page += QLatin1String("<tr><td>") + escaped(file.file) + QLatin1String("</td><td>") + escaped(file.sha256) +
                QLatin1String("</td>") + tallyCells(file.tally) + QLatin1String("</tr>\n");
    page += QLatin1String("</table>\n<h2>Failures by exit code</h2>\n<table><tr><th>exit code</th><th>boards</th></tr>\n");
    for (auto failure = boards.failures.cbegin(); failure != boards.failures.cend(); ++failure)
        page += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n").arg(failure.key()).arg(failure.value());
    page += QLatin1String("</table>\n");
    if (!report.pools.isEmpty()) {
        page += QLatin1String("<h2>Pools</h2>\n<table><tr><th>pool</th><th>format</th><th>first</th><th>last</th>"
                              "<th>free</th><th>used</th><th>reserved</th><th>spoiled</th><th>next</th></tr>\n");
        for (const PoolState &pool : report.pools)
            page += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td><td>%7</td>"
                                   "<td>%8</td><td>%9</td></tr>\n")
                        .arg(escaped(pool.range.name), serialFormatName(pool.range.format))
                        .arg(pool.range.first)
                        .arg(pool.range.last)
                        .arg(freeCount(pool))
                        .arg(pool.used)
                        .arg(pool.reserved)
                        .arg(pool.spoiled)
                        .arg(pool.next ? QString::number(*pool.next) : QStringLiteral("none"));
        page += QLatin1String("</table>\n");
    }
    page += QLatin1String("<h2>Boards per hour (UTC), passed and failed</h2>\n");
    page += barChart(QStringLiteral("All stations"), hourBars(boards.hours, nullptr));
    for (const StationTally &station : boards.stations)
        page += barChart(QLatin1String("Station ") + station.station, hourBars(boards.hours, &station.station));
    QList<Bar> stations;
    for (const StationTally &station : boards.stations)
        stations << Bar{station.station, station.tally.passed, station.tally.failed()};
    page += QLatin1String("<h2>Boards per station, passed and failed</h2>\n");
    page += barChart(QStringLiteral("Per station"), stations);
    return page + QLatin1String("</body></html>\n");
}

} // namespace cli
