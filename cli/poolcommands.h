#ifndef FELDMOOR_CLI_POOLCOMMANDS_H
#define FELDMOOR_CLI_POOLCOMMANDS_H

#include <QString>

namespace cli {

struct CliOptions;
struct PoolState;
class Reporter;

// A pool as `pool show` prints it: one JSON object, or one line of text.
QString poolJson(const PoolState &pool);
QString poolText(const PoolState &pool);

// `pool create|show|release` on the record's database; the exit status back.
int runPoolCommand(const CliOptions &options, Reporter &reporter);

} // namespace cli

#endif
