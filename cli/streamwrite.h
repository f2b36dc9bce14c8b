#ifndef FELDMOOR_CLI_STREAMWRITE_H
#define FELDMOOR_CLI_STREAMWRITE_H

#include <QByteArray>

#include <cstdio>

namespace cli {

// Writes `bytes` and flushes at once: progress, logs and results from
// several boards interleave on the console in the order they happen.
void writeNow(FILE *stream, const QByteArray &bytes);

} // namespace cli

#endif
