#include "cli/infocommands.h"

#include "cli/exitcodes.h"
#include "cli/jobrequest.h"
#include "cli/jobtexts.h"
#include "cli/reporter.h"
#include "cli/shellquote.h"

#include "download/commandcomposition.h"

#include "adapter/attachedadapters.h"

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
    const std::vector<feldmoor::AdapterIdentity> attached = feldmoor::attachedAdapters();
    if (!json && !attached.empty())
        printLine(QStringLiteral("%1  %2  %3").arg(QStringLiteral("index"), -5).arg(QStringLiteral("location"), -15).arg(
            QStringLiteral("serial")));
    QStringList serials;
    bool serialMissing = false;
    for (const feldmoor::AdapterIdentity &adapter : attached) {
        const QString location = QString::fromStdString(adapter.location);
        const QString serial = QString::fromStdString(adapter.serial);
        if (json)
            printLine(QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("adapter")},
                                                                   {QStringLiteral("index"), int(adapter.index)},
                                                                   {QStringLiteral("location"), location},
                                                                   {QStringLiteral("serial"), serial}})
                                            .toJson(QJsonDocument::Compact)),
                      true);
        else
            printLine(QStringLiteral("%1  %2  %3")
                          .arg(adapter.index, -5)
                          .arg(location, -15)
                          .arg(serial.isEmpty() ? QStringLiteral("-") : serial));
        serialMissing = serialMissing || serial.isEmpty();
        if (!serial.isEmpty())
            serials << serial;
    }
    std::fflush(stdout);
    if (attached.empty()) {
        reporter.result({exitcode::kNoAdapter, QStringLiteral("no QB562 adapter is attached"), 0.0});
        return exitcode::kNoAdapter;
    }
    QStringList shared;
    for (const QString &serial : serials) {
        if (serials.count(serial) > 1 && !shared.contains(serial))
            shared << serial;
    }
    if (!shared.isEmpty())
        reporter.warn(QLatin1String("several adapters share the serial ") + shared.join(QLatin1String(", ")) +
                      QLatin1String(": choose them by location"));
    if (attached.size() > 1 && serialMissing)
        reporter.warn(QStringLiteral("not every adapter has a serial: choose them by location, which stays the same "
                                     "while each one stays in its USB port"));
    return exitcode::kOk;
}

void printDryRun(const JobRequest &request)
{
    const DownloadCommand command = composeDownloadCommand(request.load, request.adapter);
    printLine(shellQuote(command.program));
    for (const QString &argument : command.arguments)
        printLine(shellQuote(argument));
    std::fflush(stdout);
}

} // namespace cli
