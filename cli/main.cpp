// feldmoor-cli: the command-line loader beside the window. It composes the
// same OpenOCD runs with the same functions, and counts a load only when the
// tool succeeded, the board's part matched the file and DONE came up.

#include "cli/boardsession.h"
#include "cli/cliargs.h"
#include "cli/exitcodes.h"
#include "cli/imagefile.h"
#include "cli/infocommands.h"
#include "cli/loadplan.h"
#include "cli/reporter.h"
#include "cli/terminal.h"

#include "feldmoor/projectfacts.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    using namespace cli;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("feldmoor-cli"));
    QCoreApplication::setApplicationVersion(QLatin1String(feldmoor::kVersion));
    InterruptWatch interrupts;

    const ParsedArguments parsed = parseArguments(QCoreApplication::arguments());
    if (!parsed.options) {
        const QByteArray bytes = parsed.text.toLocal8Bit();
        FILE *stream = parsed.toStderr ? stderr : stdout;
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
        std::fflush(stream);
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
        reporter.result({plan.errorCode, plan.error, 0.0});
        return plan.errorCode;
    }
    for (const QString &note : plan.notes)
        reporter.note(note);
    if (options.dryRun)
        return printDryRun(plan.request, options.quiet);

    BoardSessionSettings settings;
    settings.repeat = options.repeat;
    settings.recordFile = options.recordFile;
    if (!options.recordFile.isEmpty() && !plan.fileBytes.isEmpty())
        settings.fileSha256 = sha256Hex(plan.fileBytes);
    BoardSession session({BoardJob{plan.request, BoardLabel{}}}, settings, style);
    QObject::connect(&interrupts, &InterruptWatch::interrupted, &session, &BoardSession::interrupt);
    QObject::connect(&session, &BoardSession::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    session.start();
    return QCoreApplication::exec();
}
