#ifndef FELDMOOR_CLI_POOLCOMMANDS_H
#define FELDMOOR_CLI_POOLCOMMANDS_H

namespace cli {

struct CliOptions;
class Reporter;

// `pool create|show|release` on the record's database; the exit status back.
int runPoolCommand(const CliOptions &options, Reporter &reporter);

} // namespace cli

#endif
