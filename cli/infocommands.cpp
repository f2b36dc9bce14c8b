#include "cli/infocommands.h"

#include "cli/adapterprobe.h"
#include "cli/exitcodes.h"
#include "cli/jobrequest.h"
#include "cli/jobtexts.h"
#include "cli/reporter.h"
#include "cli/shellquote.h"

#include "download/commandcomposition.h"

#include "feldmoor/projectfacts.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace cli {

namespace {

void printLine(const QString &text, bool utf8 = false)
{
    const QByteArray bytes = (utf8 ? text.toUtf8() : text.toLocal8Bit()) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

} // namespace

int listParts(bool json)
{
    if (!json)
        printLine(QStringLiteral("%1  %2  %3").arg(QStringLiteral("part"), -16).arg(QStringLiteral("IDCODE"), -10).arg(
            QStringLiteral("IR length")));
    for (const feldmoor::PartFacts &part : feldmoor::kPartCatalogue) {
        if (json) {
            printLine(QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("part")},
                                                                   {QStringLiteral("name"), QLatin1String(part.name)},
                                                                   {QStringLiteral("idcode"), hex32(part.idcode)},
                                                                   {QStringLiteral("ir_length"), int(part.irLength)}})
                                            .toJson(QJsonDocument::Compact)),
                      true);
        } else {
            printLine(QStringLiteral("%1  %2  %3")
                          .arg(QLatin1String(part.name), -16)
                          .arg(hex32(part.idcode), -10)
                          .arg(part.irLength));
        }
    }
    std::fflush(stdout);
    return exitcode::kOk;
}

int listAdapters(Reporter &reporter, bool json)
{
    const QList<unsigned> present = presentAdapters();
    for (const unsigned index : present) {
        if (json)
            printLine(QStringLiteral("{\"type\":\"adapter\",\"index\":%1}").arg(index), true);
        else
            printLine(QStringLiteral("adapter %1").arg(index));
    }
    std::fflush(stdout);
    if (present.isEmpty()) {
        reporter.result({exitcode::kNoAdapter, QStringLiteral("no QB562 adapter is attached"), 0.0});
        return exitcode::kNoAdapter;
    }
    return exitcode::kOk;
}

void printDryRun(const JobRequest &request)
{
    const DownloadCommand command = composeDownloadCommand(request.load);
    printLine(shellQuote(command.program));
    for (const QString &argument : command.arguments)
        printLine(shellQuote(argument));
    std::fflush(stdout);
}

} // namespace cli
