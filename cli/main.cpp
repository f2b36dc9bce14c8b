// feldmoor-cli: the command-line loader beside the window. It composes the
// same OpenOCD runs with the same functions, and counts a load only when the
// tool succeeded, the board's part matched the file and DONE came up.

#include "engine/adapterchoice.h"
#include "engine/adapterlock.h"
#include "cli/boardsession.h"
#include "cli/cliargs.h"
#include "engine/exitcodes.h"
#include "engine/imagefile.h"
#include "engine/jobtexts.h"
#include "cli/infocommands.h"
#include "cli/loadplan.h"
#include "cli/reporter.h"
#include "cli/streamwrite.h"
#include "cli/terminal/terminal.h"

#include "feldmoor/projectfacts.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    using namespace cli;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(engine::kLoaderApplicationName));
    QCoreApplication::setApplicationVersion(QLatin1String(feldmoor::kVersion));
    InterruptWatch interrupts;

    const ParsedArguments parsed = parseArguments(QCoreApplication::arguments());
    if (!parsed.options) {
        writeNow(parsed.toStderr ? stderr : stdout, parsed.text.toLocal8Bit());
        return parsed.exitCode;
    }
    const CliOptions &options = *parsed.options;
    const Reporter::Style style{options.quiet, options.json, !options.json && stderrIsTerminal()};
    Reporter reporter(style);

    if (options.command == CliCommand::Parts)
        return listParts(options.json);
    if (options.command == CliCommand::Adapters)
        return listAdapters(reporter, options.json);

    const LoadPlan plan = planJob(options, QCoreApplication::applicationDirPath());
    if (plan.errorCode != 0) {
        reporter.result({plan.errorCode, plan.error, 0.0, {}});
        return plan.errorCode;
    }
    for (const QString &note : plan.notes)
        reporter.note(note);
    // A dry run without --adapter probes nothing: it prints the window's list.
    AdapterChoice choice;
    if (!options.dryRun || !options.adapters.isEmpty())
        choice = chooseAdapters(options.adapters, feldmoor::attachedAdapters());
    if (choice.errorCode != 0) {
        reporter.result({choice.errorCode, choice.error, 0.0, {}});
        return choice.errorCode;
    }
    // Every board's dump would be renamed over the one OUT in turn.
    if (options.command == CliCommand::Read && choice.chosen.size() > 1) {
        reporter.result({exitcode::kUsage, QStringLiteral("read writes one OUT: choose one adapter"), 0.0, {}});
        return exitcode::kUsage;
    }
    QList<BoardJob> boards;
    for (const ChosenAdapter &adapter : choice.chosen) {
        BoardJob board{plan.request, {QString::fromStdString(adapter.identity.location),
                                      QString::fromStdString(adapter.identity.serial)}};
        board.request.adapter = adapter.selection;
        boards << board;
    }
    if (boards.isEmpty())  // none attached: the job says so, as each round of --repeat does
        boards << BoardJob{plan.request, {}};
    if (options.dryRun) {
        for (const BoardJob &board : boards) {
            if (&board != &boards.first())
                std::fputs("\n", stdout);  // one list per chosen adapter
            printDryRun(board.request, options.quiet);
        }
        return exitcode::kOk;
    }
    AdapterLocks locks;
    for (const ChosenAdapter &adapter : choice.chosen) {
        if (const std::optional<LockHolder> holder = locks.lock(adapter.identity)) {
            reporter.result({exitcode::kAdapterInUse, adapterInUseText(adapter.identity, *holder), 0.0, {}});
            return exitcode::kAdapterInUse;
        }
    }
    if (boards.size() > 1 && style.terminal)
        enableCursorMovement();

    BoardSessionSettings settings;
    settings.repeat = options.repeat;
    settings.recordFile = options.recordFile;
    if (!options.recordFile.isEmpty() && !plan.fileBytes.isEmpty())
        settings.fileSha256 = sha256Hex(plan.fileBytes);
    BoardSession session(boards, settings, style);
    QObject::connect(&interrupts, &InterruptWatch::interrupted, &session, &BoardSession::interrupt);
    QObject::connect(&session, &BoardSession::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    session.start();
    return QCoreApplication::exec();
}
