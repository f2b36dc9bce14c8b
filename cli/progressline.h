#ifndef FELDMOOR_CLI_PROGRESSLINE_H
#define FELDMOOR_CLI_PROGRESSLINE_H

#include <QString>

namespace cli {

// The flash write's progress as one terminal line: bar, percent, bytes,
// rate and time left. `elapsedSeconds` counts from the write's first report.
QString progressLine(qint64 bytes, qint64 total, int percent, double elapsedSeconds, int barWidth = 30);

// Which tenth of the way `percent` reached: a line is due each time it grows.
inline int progressTenth(int percent)
{
    return percent / 10;
}

} // namespace cli

#endif
