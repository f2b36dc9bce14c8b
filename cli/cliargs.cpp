#include "cli/cliargs.h"

#include "cli/records/recordtarget.h"
#include "engine/bytecount.h"
#include "engine/exitcodes.h"

#include "download/clockchoices.h"

#include "feldmoor/projectfacts.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace cli {

using namespace engine;

namespace {

const QString kCommandsText = QStringLiteral(
    "Commands:\n"
    "  load FILE      load a .bit into the FPGA or write a .bin or .mcs to its SPI\n"
    "                 flash, then check DONE; the board's part is checked first.\n"
    "                 With --offset A the flash write starts at A (sector-aligned)\n"
    "                 and erases only the sectors it needs; --no-reload writes\n"
    "                 only. A .mcs goes to its own address; --kind bin writes a\n"
    "                 .bit's configuration data to the flash. A flash write\n"
    "                 reads the sectors back first and writes only those that\n"
    "                 differ, erasing only those not blank; --full erases and\n"
    "                 writes them all\n"
    "  detect         name the part on the JTAG chain (IDCODE, IR length)\n"
    "  verify FILE    compare the SPI flash with a .bin, .mcs or a .bit's data\n"
    "                 (at --offset A), no writing\n"
    "  read OUT       copy the flash into OUT: from --offset A (default 0),\n"
    "                 --size N bytes (default: to the end); OUT is replaced only\n"
    "                 by a whole read; a device or a pipe as OUT is refused\n"
    "  erase          erase --offset A --size N (whole sectors), or --all\n"
    "  blank-check    check that the flash holds only 0xFF (--offset, --size as\n"
    "                 for read); exit 12 names the first byte that is not\n"
    "  reload         configure the FPGA from its flash, then check DONE\n"
    "  parts          list the part catalogue\n"
    "  adapters       list the attached QB562 adapters\n"
    "Flash addresses and sizes: 4194304, 0x400000, 4096K or 4M. Without --part,\n"
    "read, erase, blank-check and reload work on the part the board holds.\n");

ParsedArguments usageError(const QString &problem)
{
    ParsedArguments parsed;
    parsed.text = QLatin1String("feldmoor-cli: ") + problem +
                  QLatin1String("\nTry 'feldmoor-cli --help' for the commands and options.\n");
    parsed.problem = problem;
    parsed.toStderr = true;
    parsed.exitCode = exitcode::kUsage;
    return parsed;
}

struct CommandName {
    const char *name;
    CliCommand command;
    int files;
};

constexpr CommandName kCommands[] = {
    {"load", CliCommand::Load, 1},         {"detect", CliCommand::Detect, 0}, {"verify", CliCommand::Verify, 1},
    {"parts", CliCommand::Parts, 0},       {"adapters", CliCommand::Adapters, 0},
    {"read", CliCommand::Read, 1},         {"erase", CliCommand::Erase, 0},   {"blank-check", CliCommand::BlankCheck, 0},
    {"reload", CliCommand::Reload, 0},
};

// --offset, --size, --all and --no-reload, each with the commands it goes with.
std::optional<QString> readFlashOptions(const QCommandLineParser &parser, const QCommandLineOption &offset,
                                        const QCommandLineOption &size, const QCommandLineOption &wholeFlash,
                                        const QCommandLineOption &noReload, const QCommandLineOption &full,
                                        CliOptions &options)
{
    const CliCommand command = options.command;
    const bool ranged = command == CliCommand::Read || command == CliCommand::Erase || command == CliCommand::BlankCheck;
    if (parser.isSet(offset)) {
        if (!ranged && command != CliCommand::Load && command != CliCommand::Verify)
            return QStringLiteral("--offset goes with load, verify, read, erase and blank-check");
        options.offset = parseByteCount(parser.value(offset));
        if (!options.offset)
            return QStringLiteral("--offset takes a flash address: 4194304, 0x400000, 4096K or 4M");
    }
    if (parser.isSet(size)) {
        if (!ranged)
            return QStringLiteral("--size goes with read, erase and blank-check (a load or verify takes the file's)");
        options.size = parseByteCount(parser.value(size));
        if (!options.size || *options.size == 0)
            return QStringLiteral("--size takes a number of bytes from 1 up: 65536, 0x10000, 64K or 1M");
    }
    options.wholeFlash = parser.isSet(wholeFlash);
    if (options.wholeFlash && command != CliCommand::Erase)
        return QStringLiteral("--all goes with erase");
    if (options.wholeFlash && (options.offset || options.size))
        return QStringLiteral("erase --all takes no --offset or --size: it erases the whole flash");
    if (command == CliCommand::Erase && !options.wholeFlash && !(options.offset && options.size))
        return QStringLiteral("erase needs the range, --offset A --size N, or --all for the whole flash");
    options.noReload = parser.isSet(noReload);
    if (options.noReload && command != CliCommand::Load)
        return QStringLiteral("--no-reload goes with load");
    options.full = parser.isSet(full);
    if (options.full && command != CliCommand::Load)
        return QStringLiteral("--full goes with load");
    return std::nullopt;
}

ParsedArguments parseCommandLine(const QStringList &arguments);

} // namespace

ParsedArguments parseArguments(const QStringList &arguments)
{
    ParsedArguments parsed = parseCommandLine(arguments);
    // Known even when the rest of the line is not: a script that asked for
    // JSON reads its usage error as JSON too.
    const qsizetype end = arguments.indexOf(QLatin1String("--"));
    const QStringList options = end < 0 ? arguments.mid(1) : arguments.mid(1, end - 1);
    parsed.json = options.contains(QLatin1String("--json"));
    return parsed;
}

namespace {

ParsedArguments parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loads Xilinx FPGAs through a QB562 adapter with OpenOCD, and reports a load as done only "
                       "when the tool succeeded, the board's part matches the file and DONE is high."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption part(QStringLiteral("part"),
                                  QStringLiteral("The FPGA part (see 'parts'); a .bit names its own, a .bin may carry "
                                                 "an IDCODE packet."),
                                  QStringLiteral("name"));
    const QCommandLineOption kind(QStringLiteral("kind"),
                                  QStringLiteral("bit (into the FPGA) or bin (into the SPI flash); defaults from the "
                                                 "extension."),
                                  QStringLiteral("bit|bin"));
    const QCommandLineOption clock(QStringLiteral("clock"),
                                   QStringLiteral("JTAG clock in Hz (default %1).").arg(defaultJtagClock()),
                                   QStringLiteral("hz"));
    const QCommandLineOption retries(QStringLiteral("retries"),
                                     QStringLiteral("Restarts after a too-fast sector erase (default 3)."),
                                     QStringLiteral("n"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QStringLiteral("Give up after this many seconds."),
                                     QStringLiteral("s"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Print each run's program and arguments, shell-quoted, one per "
                                                   "line (the job's own run on stdout, its checks' on stderr; with "
                                                   "--json one dry-run object with each run's argv); run nothing."));
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Load even when the part check fails."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Print only errors and the result."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Only JSON on stdout, one object per line: log, progress, restart, "
                                                 "check, result, board (--repeat, several adapters), dry-run "
                                                 "(the runs' argv), error (usage, with its exit code)."));
    const QCommandLineOption repeat(QStringLiteral("repeat"),
                                    QStringLiteral("Production: after each board wait for Enter (q, end of input or "
                                                   "Ctrl-C stops), then print a summary; exit 10 when any board "
                                                   "failed, else 0."));
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("Append one row per board to this CSV file, to an SQLite "
                                                  "file (sqlite:PATH) or to PostgreSQL (a postgresql:// URI, no "
                                                  "password in it); checked before any board, a row that can't be "
                                                  "written fails the run, exit 4."),
                                    QStringLiteral("file|sqlite:path|uri"));
    const QCommandLineOption station(QStringLiteral("station"),
                                     QStringLiteral("The station named in a database record's rows (default: the "
                                                    "host name)."),
                                     QStringLiteral("name"));
    const QCommandLineOption adapter(QStringLiteral("adapter"),
                                     QStringLiteral("The adapter to use: a USB location (1-2.3), serial=TEXT, an index "
                                                    "as 'adapters' prints it, or all; may be given several times, and "
                                                    "several adapters load at once."),
                                     QStringLiteral("sel"));
    const QCommandLineOption offset(QStringLiteral("offset"),
                                    QStringLiteral("Flash address where load writes, verify compares, and read, erase "
                                                   "and blank-check start."),
                                    QStringLiteral("a"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Bytes to read, erase or blank-check (read and blank-check: to the "
                                                 "flash's end by default)."),
                                  QStringLiteral("n"));
    const QCommandLineOption wholeFlash(QStringLiteral("all"), QStringLiteral("erase: the whole flash."));
    const QCommandLineOption noReload(QStringLiteral("no-reload"),
                                      QStringLiteral("load into flash: write only, no reload and no DONE check."));
    parser.addOptions({help, version, part, kind, clock, retries, timeout, dryRun, force, quiet, json, repeat, record,
                       adapter});
    const QCommandLineOption full(QStringLiteral("full"),
                                  QStringLiteral("load into flash: erase and write every sector the image covers, "
                                                 "without reading them back first."));
    parser.addOptions({offset, size, wholeFlash, noReload, full, station});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("load, detect, verify, read, erase, blank-check, reload, parts or "
                                                "adapters."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The .bit, .bin or .mcs file; read's OUT."),
                                 QStringLiteral("[file]"));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());

    ParsedArguments parsed;
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QLatin1String("[options] command [file]"), QLatin1String("[options] command [file]\n"));
        parsed.text = text + QLatin1Char('\n') + kCommandsText + QLatin1Char('\n') + exitCodeTable();
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.text = QLatin1String("feldmoor-cli ") + QLatin1String(feldmoor::kVersion) + QLatin1Char('\n');
        return parsed;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(
            QStringLiteral("no command given (load, detect, verify, read, erase, blank-check, reload, parts, adapters)"));
    const CommandName *command = nullptr;
    for (const CommandName &entry : kCommands) {
        if (positional.first() == QLatin1String(entry.name))
            command = &entry;
    }
    if (!command)
        return usageError(QLatin1String("unknown command '") + positional.first() + QLatin1Char('\''));
    if (positional.size() - 1 != command->files)
        return usageError(command->files ? QLatin1String(command->name) +
                                               (command->command == CliCommand::Read ? QLatin1String(" needs exactly one OUT")
                                                                                     : QLatin1String(" needs exactly one FILE"))
                                         : QLatin1String(command->name) + QLatin1String(" takes no FILE"));

    CliOptions options;
    options.command = command->command;
    if (command->files)
        options.file = positional.at(1);
    if (command->files && options.file.isEmpty())
        return usageError(command->command == CliCommand::Read ? QStringLiteral("read needs a file name for OUT, not ''")
                                                                : QLatin1String(command->name) +
                                                                      QLatin1String(" needs a FILE, not ''"));
    options.part = parser.value(part);
    if (parser.isSet(part) && !feldmoor::findPart(options.part.toLatin1().constData()))
        return usageError(QLatin1String("--part ") + options.part +
                          QLatin1String(" is not in the catalogue ('feldmoor-cli parts' lists it)"));
    if (parser.isSet(kind)) {
        const QString value = parser.value(kind).toLower();
        if (value != QLatin1String("bit") && value != QLatin1String("bin"))
            return usageError(QStringLiteral("--kind takes bit or bin"));
        options.kind = value == QLatin1String("bit") ? FileKind::Bit : FileKind::Bin;
    }
    options.clockText = parser.isSet(clock) ? parser.value(clock) : defaultJtagClock();
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(options.clockText).hasMatch() || options.clockText.toInt() < 1000)
        return usageError(QStringLiteral("--clock takes a whole number of Hz, at least 1000"));
    if (parser.isSet(retries)) {
        bool ok = false;
        options.retries = parser.value(retries).toInt(&ok);
        if (!ok || options.retries < 0)
            return usageError(QStringLiteral("--retries takes a number from 0 up"));
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 1e6)
            return usageError(QStringLiteral("--timeout takes a positive number of seconds"));
        options.timeoutSeconds = seconds;
    }
    options.dryRun = parser.isSet(dryRun);
    options.force = parser.isSet(force);
    options.quiet = parser.isSet(quiet);
    options.json = parser.isSet(json);
    options.repeat = parser.isSet(repeat);
    options.recordFile = parser.value(record);
    if (parser.isSet(record) && options.recordFile.isEmpty())
        return usageError(QStringLiteral("--record needs a file name for the record"));
    const RecordTarget target = recordTarget(options.recordFile);
    if (target.kind == RecordKind::Sqlite && target.location.isEmpty())
        return usageError(QStringLiteral("--record sqlite: needs the database file's path, as in sqlite:line.db"));
    options.station = parser.value(station);
    if (parser.isSet(station) && (options.station.trimmed().isEmpty() || !target.isDatabase()))
        return usageError(QStringLiteral("--station takes a name, and goes with a database record (--record "
                                         "sqlite:PATH or postgresql://...)"));
    options.adapters = parser.values(adapter);
    if (!options.adapters.isEmpty() &&
        (options.command == CliCommand::Parts || options.command == CliCommand::Adapters))
        return usageError(QStringLiteral("--adapter goes with the commands on a board"));
    const bool onBoard = options.command != CliCommand::Detect && options.command != CliCommand::Parts &&
                         options.command != CliCommand::Adapters;
    if (!onBoard && (options.repeat || parser.isSet(record) || options.dryRun || options.force))
        return usageError(QStringLiteral("--repeat, --record, --dry-run and --force go with the commands on a board "
                                         "(load, verify, read, erase, blank-check, reload)"));
    if (const std::optional<QString> problem = readFlashOptions(parser, offset, size, wholeFlash, noReload, full, options))
        return usageError(*problem);
    parsed.options = options;
    return parsed;
}

} // namespace

} // namespace cli
