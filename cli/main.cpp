// feldmoor-cli: the command-line loader beside the window. It composes the
// same OpenOCD runs with the same functions, and counts a load only when the
// tool succeeded, the board's part matched the file and DONE came up.

#include "cli/adapterchoice.h"
#include "engine/adapterlock.h"
#include "cli/facttexts.h"
#include "cli/records/boardrecorder.h"
#include "cli/records/recordstore.h"
#include "cli/serialsupply.h"
#include "cli/records/recordtarget.h"
#include "cli/boardsession.h"
#include "cli/cliargs.h"
#include "cli/exitcodes.h"
#include "cli/jobtexts.h"
#include "engine/scratchfile.h"
#include "cli/infocommands.h"
#include "cli/loadplan.h"
#include "cli/poolcommands.h"
#include "cli/recordcommands.h"
#include "cli/reportcommand.h"
#include "cli/reporter.h"
#include "cli/streamwrite.h"
#include "cli/terminal/terminal.h"

#include "feldmoor/projectfacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

#include <cstdio>
#include <memory>

namespace {

using namespace cli;

// What the command line itself gets back: help, the version, or a usage
// error (on stderr, and under --json also as an "error" object on stdout).
int answerCommandLine(const ParsedArguments &parsed)
{
    if (parsed.json) {
        const QJsonObject event =
            parsed.exitCode != 0
                ? QJsonObject{{QStringLiteral("type"), QStringLiteral("error")},
                              {QStringLiteral("code"), parsed.exitCode},
                              {QStringLiteral("message"), parsed.problem}}
                : QJsonObject{{QStringLiteral("type"), QStringLiteral("text")}, {QStringLiteral("text"), parsed.text}};
        writeNow(stdout, QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
        if (parsed.exitCode == 0)
            return parsed.exitCode;
    }
    writeNow(parsed.toStderr ? stderr : stdout, parsed.text.toLocal8Bit());
    return parsed.exitCode;
}

QString lockRefusalText(const feldmoor::AdapterIdentity &identity, const LockHolder &holder)
{
    if (!holder.orphanedTool)
        return adapterInUseText(identity, holder);
    return QStringLiteral("adapter %1 is still driven by an OpenOCD (process %2) that a loader which has ended left "
                          "running; it may be erasing or writing the flash: let it finish or end it (kill %2), then "
                          "run the job again")
        .arg(QString::fromStdString(identity.location))
        .arg(holder.pid);
}

// --repeat without --adapter: every round must go to the adapter the session
// began with, even when another is plugged in meanwhile.
AdapterSelection sessionSelection(const ChosenAdapter &adapter, bool repeat)
{
    if (!repeat || !adapter.selection.isEmpty())
        return adapter.selection;
    AdapterSelection selection;
    if (!adapter.identity.location.empty())
        selection.usbLocation = QString::fromStdString(adapter.identity.location);
    else
        selection.serial = QString::fromStdString(adapter.identity.serial);
    return selection;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(engine::kLoaderApplicationName));
    QCoreApplication::setApplicationVersion(QLatin1String(feldmoor::kVersion));
    InterruptWatch interrupts;

    ParsedArguments parsed = parseArguments(QCoreApplication::arguments());
    // A name the program can't hold as given would be opened, or written,
    // as another file.
    if (const std::optional<QString> argument = unfaithfulArgument(argc, argv)) {
        ParsedArguments refusal;
        refusal.problem = QLatin1String("the argument '") + *argument +
                          QLatin1String("' is not valid text in this system's encoding, so the file it names can't be "
                                        "opened as given (another name would be): rename it, or give a link to it "
                                        "with a name in UTF-8");
        refusal.text = QLatin1String("feldmoor-cli: ") + refusal.problem + QLatin1Char('\n');
        refusal.toStderr = true;
        refusal.exitCode = exitcode::kUsage;
        refusal.json = parsed.json;
        parsed = refusal;
    }
    if (!parsed.options)
        return answerCommandLine(parsed);
    const CliOptions &options = *parsed.options;
    const Reporter::Style style{options.quiet, options.json, !options.json && stderrIsTerminal()};
    Reporter reporter(style);
    const auto refuse = [&reporter](int code, const QString &message) {
        reporter.result({code, message, 0.0, {}});
        return code;
    };

    if (options.command == CliCommand::Parts)
        return listParts(options.json);
    if (options.command == CliCommand::Adapters)
        return listAdapters(reporter, options.json);
    if (options.command == CliCommand::Pool)
        return runPoolCommand(options, reporter);
    if (options.command == CliCommand::Record)
        return runRecordCommand(options, reporter);
    if (options.command == CliCommand::Report)
        return runReportCommand(options, reporter);

    const LoadPlan plan = planJob(options, QCoreApplication::applicationDirPath());
    if (plan.errorCode != 0)
        return refuse(plan.errorCode, plan.error);
    for (const QString &note : plan.notes)
        reporter.note(note);
    // A dry run without --adapter probes nothing: it prints the window's list.
    AdapterChoice choice;
    if (!options.dryRun || !options.adapters.isEmpty())
        choice = chooseAdapters(options.adapters, feldmoor::attachedAdapters());
    if (choice.errorCode != 0)
        return refuse(choice.errorCode, choice.error);
    // Every board's dump would be renamed over the one OUT in turn.
    if (options.command == CliCommand::Read && choice.chosen.size() > 1)
        return refuse(exitcode::kUsage, QStringLiteral("read writes one OUT: choose one adapter"));
    QList<BoardJob> boards;
    for (const ChosenAdapter &adapter : choice.chosen) {
        BoardJob board;
        board.selection = sessionSelection(adapter, options.repeat);
        board.label = {QString::fromStdString(adapter.identity.location), QString::fromStdString(adapter.identity.serial)};
        board.identity = adapter.identity;
        board.byDefault = options.adapters.isEmpty();
        boards << board;
    }
    if (boards.isEmpty())  // none attached: the job says so, as each round of --repeat does
        boards << BoardJob{};
    if (options.dryRun) {
        for (const BoardJob &board : boards) {
            if (&board != &boards.first() && !options.json)
                std::fputs("\n", stdout);  // one list per chosen adapter
            JobRequest request = plan.request;
            request.adapter = board.selection;
            printDryRun(request, options.quiet, options.json, boards.size() > 1 ? board.label.location : QString());
        }
        return exitcode::kOk;
    }
    // Found out before any board is touched: a session whose rows are lost
    // has not recorded what it did.
    std::unique_ptr<BoardRecorder> recorder;
    if (!options.recordFile.isEmpty()) {
        BoardRecorder::Opened opened = BoardRecorder::open(recordTarget(options.recordFile));
        if (!opened.recorder)
            return refuse(opened.errorCode, opened.error + QLatin1String("; nothing was run"));
        if (!opened.note.isEmpty())
            reporter.note(opened.note);
        recorder = std::move(opened.recorder);
    }
    std::unique_ptr<SerialSupply> serials;
    if (options.serialNumber) {
        SerialSupply::Opened opened = SerialSupply::open(*recorder->store(), *options.serialNumber, plan.request);
        if (!opened.supply)
            return refuse(opened.errorCode, opened.error + QLatin1String("; nothing was run"));
        serials = std::move(opened.supply);
    }
    AdapterLocks locks;
    for (const ChosenAdapter &adapter : choice.chosen) {
        if (const std::optional<LockHolder> holder = locks.lock(adapter.identity))
            return refuse(exitcode::kAdapterInUse, lockRefusalText(adapter.identity, *holder));
    }
    engine::removeScratchOfEndedLoaders(QDir::tempPath());
    if (boards.size() > 1 && style.terminal)
        enableCursorMovement();

    BoardSessionSettings settings;
    settings.repeat = options.repeat;
    settings.recorder = recorder.get();
    settings.serials = serials.get();
    settings.station = options.station.isEmpty() ? QSysInfo::machineHostName() : options.station;
    settings.locks = &locks;
    if (options.command == CliCommand::Load || options.command == CliCommand::Verify)
        settings.replan = [options] { return planJob(options, QCoreApplication::applicationDirPath()); };
    BoardSession session(boards, plan, settings, style);
    QObject::connect(&interrupts, &InterruptWatch::interrupted, &session, &BoardSession::interrupt);
    QObject::connect(&session, &BoardSession::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    session.start();
    return QCoreApplication::exec();
}
