#include "cli/infocommands.h"

#include "cli/exitcodes.h"
#include "engine/jobrequest.h"
#include "engine/bytecount.h"
#include "engine/jobsteps.h"
#include "cli/jobtexts.h"
#include "cli/outcometexts.h"
#include "cli/reporter.h"
#include "cli/shellquote.h"

#include "download/commandcomposition.h"

#include "adapter/attachedadapters.h"

#include "feldmoor/projectfacts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace cli {

using namespace engine;

namespace {

void printLine(const QString &text, bool utf8 = false, FILE *stream = stdout)
{
    const QByteArray bytes = (utf8 ? text.toUtf8() : text.toLocal8Bit()) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
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
        reporter.result({exitcode::kNoAdapter, QStringLiteral("no QB562 adapter is attached"), 0.0, {}});
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

namespace {

int printDryRunJson(QList<Step> &steps, const QString &adapter)
{
    const JobState state;
    QJsonArray runs;
    for (Step &step : steps) {
        QJsonObject run{{QStringLiteral("name"), stepName(step.kind)}, {QStringLiteral("primary"), step.primary}};
        if (step.prepare) {
            if (const std::optional<Verdict> waiting = step.prepare(step, state)) {
                run.insert(QStringLiteral("waiting"), outcomeText(waiting->outcome));
                runs << run;
                continue;
            }
        }
        const QString note = dryRunNote(step);
        if (!note.isEmpty())
            run.insert(QStringLiteral("note"), note);
        QJsonArray argv{step.command.program};
        for (const QString &argument : step.command.arguments)
            argv << argument;
        run.insert(QStringLiteral("argv"), argv);
        runs << run;
    }
    QJsonObject event{{QStringLiteral("type"), QStringLiteral("dry-run")}, {QStringLiteral("runs"), runs}};
    if (!adapter.isEmpty())
        event.insert(QStringLiteral("adapter"), adapter);
    printLine(QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact)), true);
    return exitcode::kOk;
}

} // namespace

int printDryRun(const JobRequest &request, bool quiet, bool json, const QString &adapter)
{
    QList<Step> steps = jobSteps(request);
    if (json) {
        printDryRunJson(steps, adapter);
        for (Step &step : steps) {
            if (step.release)
                step.release();
        }
        std::fflush(stdout);
        return exitcode::kOk;
    }
    // What the command line says; what the board would report is unknown.
    const JobState state;
    const auto heading = [&](qsizetype index, const QString &text) {
        if (!quiet)
            printLine(QStringLiteral("feldmoor-cli: run %1 of %2, %3").arg(index + 1).arg(steps.size()).arg(text), false,
                      stderr);
    };
    for (qsizetype index = 0; index < steps.size(); ++index) {
        Step &step = steps[index];
        if (step.prepare) {
            if (const std::optional<Verdict> waiting = step.prepare(step, state)) {
                heading(index, stepName(step.kind) + QLatin1String(": ") + outcomeText(waiting->outcome));
                continue;
            }
        }
        heading(index, stepName(step.kind) + (step.primary ? QLatin1String(", on stdout:") : QLatin1String(":")));
        const QString note = dryRunNote(step);
        if (!note.isEmpty() && !quiet)
            printLine(QLatin1String("  (") + note + QLatin1Char(')'), false, stderr);
        if (!step.primary && quiet)
            continue;
        const QString indent = step.primary ? QString() : QStringLiteral("  ");
        FILE *stream = step.primary ? stdout : stderr;
        printLine(indent + shellQuote(step.command.program), false, stream);
        for (const QString &argument : step.command.arguments)
            printLine(indent + shellQuote(argument), false, stream);
        std::fflush(stream);
    }
    for (Step &step : steps) {
        if (step.release)
            step.release();
    }
    std::fflush(stdout);
    return exitcode::kOk;
}

} // namespace cli
