#ifndef FELDMOOR_CLI_INFOCOMMANDS_H
#define FELDMOOR_CLI_INFOCOMMANDS_H

namespace cli {

struct JobRequest;
class Reporter;

// The commands that run no OpenOCD: each prints and returns the exit status.

// `parts`: the catalogue with each part's IDCODE and IR length.
int listParts(bool json);

// `adapters`: the attached QB562 adapters (3 when there is none).
int listAdapters(Reporter &reporter, bool json);

// `load --dry-run`: the program and its arguments, shell-quoted, one per line.
void printDryRun(const JobRequest &request);

} // namespace cli

#endif
