#include "resulttable.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string verdict(const ResultRow &row)
{
    if (row.target <= 0 || row.summary.count == 0)
        return "-";
    return row.summary.median < row.target ? "yes" : "no";
}

} // namespace

std::string formatResultTable(const std::vector<ResultRow> &rows)
{
    std::vector<std::vector<std::string>> cells{
        {"figure", "unit", "n", "min", "p10", "median", "p90", "max", "target", "within"}};
    for (const ResultRow &row : rows) {
        const SampleSummary &s = row.summary;
        const bool any = s.count > 0;
        cells.push_back({row.figure, row.unit, std::to_string(s.count),
                         any ? number(s.min) : "-", any ? number(s.p10) : "-",
                         any ? number(s.median) : "-", any ? number(s.p90) : "-",
                         any ? number(s.max) : "-", row.target > 0 ? "< " + number(row.target) : "-",
                         verdict(row)});
    }

    std::vector<std::size_t> widths(cells.front().size(), 0);
    for (const auto &line : cells)
        for (std::size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());

    // The figure's name reads left-aligned, the numbers right-aligned.
    std::string table;
    for (const auto &line : cells) {
        for (std::size_t c = 0; c < line.size(); ++c) {
            const std::string pad(widths[c] - line[c].size(), ' ');
            if (c > 0)
                table += "  ";
            table += c == 0 ? line[c] + pad : pad + line[c];
        }
        table += '\n';
    }
    return table;
}
