#include "cli/cliargs.h"

#include "cli/records/boardreport.h"
#include "cli/records/recordtarget.h"
#include "engine/bytecount.h"
#include "cli/exitcodes.h"

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
    "                 writes them all. With --serial-number NAME@ADDR each board\n"
    "                 gets the next value of pool NAME in its flash at ADDR, in the\n"
    "                 pool's format, read back with the image and recorded in its\n"
    "                 row (a database record only; exit 14 once the pool is empty)\n"
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
    "  pool create NAME --first N --last M --format FMT --record DB\n"
    "                 a pool of serial numbers N to M (decimal or 0x hex) in a\n"
    "                 database record; FMT u32le, u32be, u64le, u64be, mac or\n"
    "                 text:W (W zero-padded digits)\n"
    "  pool show [NAME] --record DB\n"
    "                 each pool's range, next value and counts of free, used,\n"
    "                 reserved and spoiled values\n"
    "  pool release NAME VALUE --record DB\n"
    "                 a spoiled value back to free, once its board was checked\n"
    "  record sync --record DB\n"
    "                 send the rows that wait in this user's journal (kept when\n"
    "                 the database could not be reached) to the database\n"
    "  record export --record DB [--since TIME]\n"
    "                 the database's rows as CSV on stdout: the CSV record's\n"
    "                 columns, then station, serial_pool, serial_number\n"
    "  report --record DB|CSV [--since TIME] [--json] [--html OUT]\n"
    "                 boards, passed, failed and yield per file, per station\n"
    "                 and in all, median seconds per board, failures by exit\n"
    "                 code and each pool's counts; --html OUT also writes them\n"
    "                 as one page with a chart per hour and per station\n"
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

// --serial-number NAME@ADDR, with what it goes with: a flash write whose
// rows go to a database, where the pool is.
std::optional<QString> readSerialNumber(const QString &given, const RecordTarget &target, CliOptions &options)
{
    if (options.command != CliCommand::Load)
        return QStringLiteral("--serial-number goes with load");
    if (!target.isDatabase())
        return QStringLiteral("--serial-number needs --record with the pool's database (sqlite:PATH or "
                              "postgresql://...): a CSV record holds no pool");
    if (options.full)
        return QStringLiteral("--serial-number goes with a write that reads its sectors back, not with --full");
    const qsizetype at = given.lastIndexOf(QLatin1Char('@'));
    const std::optional<quint64> address = at > 0 ? parseByteCount(given.mid(at + 1)) : std::nullopt;
    if (!address)
        return QStringLiteral("--serial-number takes NAME@ADDR: a pool's name and the flash address, as in "
                              "boards@0xff0000");
    options.serialNumber = SerialNumberRequest{given.left(at), *address};
    return std::nullopt;
}

struct PoolOptions {
    const QCommandLineOption &first;
    const QCommandLineOption &last;
    const QCommandLineOption &format;
};

// `pool ACTION ...`: what the action takes, and a database record to keep it in.
std::optional<QString> readPoolCommand(const QCommandLineParser &parser, const QStringList &positional,
                                       const PoolOptions &pool, CliOptions &options)
{
    const QString action = positional.value(1);
    const QStringList rest = positional.mid(2);
    PoolRequest &request = options.pool;
    const bool ranged = parser.isSet(pool.first) || parser.isSet(pool.last) || parser.isSet(pool.format);
    if (action == QLatin1String("create")) {
        request.action = PoolAction::Create;
        if (rest.size() != 1 || rest.first().trimmed().isEmpty())
            return QStringLiteral("pool create needs exactly one NAME");
        if (!parser.isSet(pool.first) || !parser.isSet(pool.last) || !parser.isSet(pool.format))
            return QStringLiteral("pool create needs --first N, --last M and --format FMT");
        const std::optional<SerialFormat> format = parseSerialFormat(parser.value(pool.format));
        if (!format)
            return QStringLiteral("--format takes u32le, u32be, u64le, u64be, mac or text:W (W digits, 1 to 20)");
        const std::optional<quint64> first = parseSerialValue(parser.value(pool.first));
        const std::optional<quint64> last = parseSerialValue(parser.value(pool.last));
        if (!first || !last)
            return QStringLiteral("--first and --last take a whole number, decimal or 0x hex, of at most 64 bits");
        if (*first > *last)
            return QStringLiteral("--first %1 is past --last %2").arg(*first).arg(*last);
        if (*last > largestSerial(*format))
            return QStringLiteral("--last %1 does not fit the format %2, whose largest value is %3")
                .arg(*last)
                .arg(serialFormatName(*format))
                .arg(largestSerial(*format));
        request.name = rest.first();
        request.format = *format;
        request.first = *first;
        request.last = *last;
    } else if (action == QLatin1String("show")) {
        request.action = PoolAction::Show;
        if (rest.size() > 1)
            return QStringLiteral("pool show takes at most one NAME");
        request.name = rest.value(0);
    } else if (action == QLatin1String("release")) {
        request.action = PoolAction::Release;
        if (rest.size() != 2)
            return QStringLiteral("pool release needs NAME and VALUE");
        const std::optional<quint64> value = parseSerialValue(rest.at(1));
        if (!value)
            return QStringLiteral("pool release's VALUE is a whole number, decimal or 0x hex");
        request.name = rest.first();
        request.value = *value;
    } else {
        return QStringLiteral("pool needs an action: create, show or release");
    }
    if (ranged && request.action != PoolAction::Create)
        return QStringLiteral("--first, --last and --format go with pool create");
    if (!recordTarget(options.recordFile).isDatabase())
        return QStringLiteral("pool needs --record with the pools' database (sqlite:PATH or postgresql://...)");
    return std::nullopt;
}

// --since TIME, for the commands that read a record back.
std::optional<QString> readSince(const QCommandLineParser &parser, const QCommandLineOption &since,
                                 CliOptions &options)
{
    if (!parser.isSet(since))
        return std::nullopt;
    options.since = recordTime(parser.value(since));
    if (!options.since)
        return QStringLiteral("--since takes an ISO time, as in 2026-12-09T08:00:00, 2026-12-09T08:00:00+01:00 or "
                              "2026-12-09");
    return std::nullopt;
}

// `record ACTION --record DB` and `report --record DB|CSV`.
std::optional<QString> readRecordCommand(const QStringList &positional, const QCommandLineParser &parser,
                                         const QCommandLineOption &since, const QCommandLineOption &html,
                                         CliOptions &options)
{
    const QString command = positional.first();
    const QStringList rest = positional.mid(command == QLatin1String("report") ? 1 : 2);
    QString name = command;
    if (command == QLatin1String("report")) {
        options.command = CliCommand::Report;
        options.htmlFile = parser.value(html);
        if (parser.isSet(html) && options.htmlFile.isEmpty())
            return QStringLiteral("--html needs a file name for the page");
    } else {
        const QString action = positional.value(1);
        if (action == QLatin1String("sync"))
            options.recordAction = RecordAction::Sync;
        else if (action == QLatin1String("export"))
            options.recordAction = RecordAction::Export;
        else
            return QStringLiteral("record needs an action: sync or export");
        name += QLatin1Char(' ') + action;
        if (parser.isSet(html))
            return QStringLiteral("--html goes with report");
        if (parser.isSet(since) && options.recordAction == RecordAction::Sync)
            return QStringLiteral("--since goes with record export and report");
    }
    if (!rest.isEmpty())
        return name + QLatin1String(" takes no other argument");
    if (const std::optional<QString> problem = readSince(parser, since, options))
        return problem;
    const RecordTarget target = recordTarget(options.recordFile);
    if (options.command == CliCommand::Report && target.kind == RecordKind::None)
        return QStringLiteral("report needs --record with the record: a CSV file, sqlite:PATH or postgresql://...");
    if (options.command == CliCommand::Record && !target.isDatabase())
        return name + QLatin1String(" needs --record with a database (sqlite:PATH or postgresql://...)");
    if (target.kind == RecordKind::Sqlite && target.location.isEmpty())
        return QStringLiteral("--record sqlite: needs the database file's path, as in sqlite:line.db");
    return std::nullopt;
}

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
    const QCommandLineOption serialNumber(QStringLiteral("serial-number"),
                                          QStringLiteral("load into flash: write a value of the pool NAME at flash "
                                                         "address ADDR of each board (a database record's pool)."),
                                          QStringLiteral("name@addr"));
    parser.addOptions({offset, size, wholeFlash, noReload, full, station, serialNumber});
    const QCommandLineOption first(QStringLiteral("first"), QStringLiteral("pool create: the pool's first value."),
                                   QStringLiteral("n"));
    const QCommandLineOption last(QStringLiteral("last"), QStringLiteral("pool create: the pool's last value."),
                                  QStringLiteral("m"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("pool create: how each value lies in the flash: u32le, u32be, "
                                                   "u64le, u64be, mac or text:W."),
                                    QStringLiteral("fmt"));
    parser.addOptions({first, last, format});
    const QCommandLineOption since(QStringLiteral("since"),
                                   QStringLiteral("record export, report: only the rows from this ISO time on."),
                                   QStringLiteral("time"));
    const QCommandLineOption html(QStringLiteral("html"),
                                  QStringLiteral("report: also write it as one HTML page with its charts."),
                                  QStringLiteral("out"));
    parser.addOptions({since, html});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("load, detect, verify, read, erase, blank-check, reload, parts, "
                                                "adapters, pool, record or report."));
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
            QStringLiteral("no command given (load, detect, verify, read, erase, blank-check, reload, parts, adapters, "
                           "pool, record, report)"));
    if (positional.first() == QLatin1String("pool")) {
        CliOptions options;
        options.command = CliCommand::Pool;
        options.json = parser.isSet(json);
        options.quiet = parser.isSet(quiet);
        options.recordFile = parser.value(record);
        if (parser.isSet(since) || parser.isSet(html))
            return usageError(QStringLiteral("--since goes with record export and report, --html with report"));
        for (const QCommandLineOption *board : {&part, &kind, &clock, &retries, &timeout, &dryRun, &force, &repeat,
                                                &station, &adapter, &offset, &size, &wholeFlash, &noReload, &full,
                                                &serialNumber}) {
            if (parser.isSet(*board))
                return usageError(QLatin1String("--") + board->names().constLast() +
                                  QLatin1String(" goes with the commands on a board, not with pool"));
        }
        if (const std::optional<QString> problem = readPoolCommand(parser, positional, {first, last, format}, options))
            return usageError(*problem);
        parsed.options = options;
        return parsed;
    }
    if (parser.isSet(first) || parser.isSet(last) || parser.isSet(format))
        return usageError(QStringLiteral("--first, --last and --format go with pool create"));
    if (positional.first() != QLatin1String("record") && positional.first() != QLatin1String("report") &&
        (parser.isSet(since) || parser.isSet(html)))
        return usageError(QStringLiteral("--since goes with record export and report, --html with report"));
    if (positional.first() == QLatin1String("record") || positional.first() == QLatin1String("report")) {
        CliOptions options;
        options.command = CliCommand::Record;
        options.json = parser.isSet(json);
        options.quiet = parser.isSet(quiet);
        options.recordFile = parser.value(record);
        for (const QCommandLineOption *board : {&part, &kind, &clock, &retries, &timeout, &dryRun, &force, &repeat,
                                                &station, &adapter, &offset, &size, &wholeFlash, &noReload, &full}) {
            if (parser.isSet(*board))
                return usageError(QLatin1String("--") + board->names().constLast() +
                                  QLatin1String(" goes with the commands on a board, not with ") +
                                  positional.first());
        }
        if (const std::optional<QString> problem = readRecordCommand(positional, parser, since, html, options))
            return usageError(*problem);
        parsed.options = options;
        return parsed;
    }
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
    if (parser.isSet(serialNumber)) {
        if (const std::optional<QString> problem = readSerialNumber(parser.value(serialNumber), target, options))
            return usageError(*problem);
    }
    parsed.options = options;
    return parsed;
}

} // namespace

} // namespace cli
