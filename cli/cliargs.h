#ifndef FELDMOOR_CLI_CLIARGS_H
#define FELDMOOR_CLI_CLIARGS_H

#include "cli/records/serialformat.h"
#include "download/filekind.h"

#include "engine/jobrequest.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

enum class CliCommand { Load, Detect, Verify, Parts, Adapters, Read, Erase, BlankCheck, Reload, Pool, Record, Report };

// `record sync`: the journal's rows sent to the record's database; `record
// export`: its rows as CSV.
enum class RecordAction { Sync, Export };

// `pool create|show|release`: a serial pool in the record's database.
enum class PoolAction { Create, Show, Release };

struct PoolRequest {
    PoolAction action = PoolAction::Show;
    QString name;  // empty for show's every pool
    SerialFormat format;
    quint64 first = 0;
    quint64 last = 0;
    quint64 value = 0;  // release's VALUE
};

// load's --serial-number NAME@ADDR: a value of pool NAME into each board's
// flash at ADDR.
struct SerialNumberRequest {
    QString pool;
    quint64 address = 0;
};

struct CliOptions {
    CliCommand command = CliCommand::Parts;
    QString file;                  // load's and verify's FILE, read's OUT
    QString part;                  // --part, empty when not given
    std::optional<FileKind> kind;  // --kind
    QString clockText;             // --clock, in Hz as the window takes it
    int retries = engine::kDefaultRestarts;
    std::optional<double> timeoutSeconds;
    bool dryRun = false;
    bool force = false;
    bool quiet = false;
    bool json = false;
    bool repeat = false;
    QString recordFile;            // --record as given: a CSV file, sqlite:PATH or postgresql://...
    QString station;               // --station, empty when not given
    QStringList adapters;          // --adapter, as given
    // Where in the flash: --offset, --size, --all (erase), --no-reload (load).
    std::optional<quint64> offset;
    std::optional<quint64> size;
    bool wholeFlash = false;
    bool noReload = false;
    bool full = false;  // --full: every sector erased and written
    PoolRequest pool;
    RecordAction recordAction = RecordAction::Sync;
    std::optional<QDateTime> since;  // --since: record export's and report's rows from then on
    QString htmlFile;                // report --html OUT
    std::optional<SerialNumberRequest> serialNumber;
};

// The command line read, or what to print instead of running (help, the
// version, or a usage error) with the exit status that goes with it.
struct ParsedArguments {
    std::optional<CliOptions> options;
    QString text;
    QString problem;    // a usage error's reason, without the hint around it
    bool toStderr = false;
    int exitCode = 0;
    bool json = false;  // --json is on the line, whether or not the rest of it is right
};

ParsedArguments parseArguments(const QStringList &arguments);

} // namespace cli

#endif
