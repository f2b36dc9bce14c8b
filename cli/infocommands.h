#ifndef FELDMOOR_CLI_INFOCOMMANDS_H
#define FELDMOOR_CLI_INFOCOMMANDS_H

#include <QString>

namespace engine {
struct JobRequest;
}

namespace cli {

using engine::JobRequest;
class Reporter;

// The commands that run no OpenOCD: each prints and returns the exit status.

// `parts`: the catalogue with each part's IDCODE and IR length.
int listParts(bool json);

// `adapters`: the attached QB562 adapters (3 when there is none).
int listAdapters(Reporter &reporter, bool json);

// `--dry-run`: each run of the job, its program and arguments shell-quoted,
// one per line: the run the job is for on stdout, the checks before and
// after it on stderr, each under a line that names it (not with --quiet).
// With --json, one "dry-run" object on stdout instead, each run's argv an
// array, with `adapter` when several boards were chosen.
int printDryRun(const JobRequest &request, bool quiet, bool json = false, const QString &adapter = QString());

} // namespace cli

#endif
