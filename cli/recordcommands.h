#ifndef FELDMOOR_CLI_RECORDCOMMANDS_H
#define FELDMOOR_CLI_RECORDCOMMANDS_H

namespace cli {

struct CliOptions;
class Reporter;

// `record sync` and `record export` on the record's database; the exit
// status back.
int runRecordCommand(const CliOptions &options, Reporter &reporter);

} // namespace cli

#endif
