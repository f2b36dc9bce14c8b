#include "cli/facttexts.h"
#include "cli/reporter.h"

#include "cli/sectortexts.h"

#include "cli/exitcodes.h"
#include "cli/jobtexts.h"
#include "cli/outcometexts.h"
#include "cli/rangetexts.h"

#include "engine/bytecount.h"
#include "cli/progressblock.h"
#include "cli/progressline.h"
#include "cli/streamwrite.h"

#include "download/progresspercent.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <climits>
#include <utility>

namespace cli {

using namespace engine;

namespace {

// Enough of the tool's log to show why it failed.
constexpr int kLogTailLines = 15;

} // namespace

QString resultMessage(const JobResult &result)
{
    return resultMessage(outcomeText(result.outcome), result.flashLeft);
}

QString resultMessage(const QString &message, const std::optional<FlashLeftChanged> &flashLeft)
{
    if (!flashLeft)
        return message;
    const FlashLeftChanged &left = *flashLeft;
    if (left.whole)
        return message + QLatin1String("; the chip erase was cut off: the flash is now partly erased, erase it "
                                              "again ('feldmoor-cli erase --all')");
    const QString range = rangeText({left.offset, left.size});
    if (left.erase)
        return message + QLatin1String("; the erase was cut off: ") + range +
               QLatin1String(" is now partly erased, erase it again");
    return message + QLatin1String("; the write was cut off: ") + range +
           (left.sectors ? QLatin1String(" (the sectors it works on)") : QLatin1String(" (and the rest of its sectors)")) +
           QLatin1String(" is now partly erased and written, write it again");
}

Reporter::Reporter(Style style, BoardLabel label, ProgressBlock *block, int blockLine)
    : style_(style), label_(std::move(label)), block_(style.terminal ? block : nullptr), blockLine_(blockLine)
{
}

void Reporter::print(FILE *stream, const QByteArray &bytes)
{
    if (block_)
        block_->printAbove(stream, bytes);
    else
        writeNow(stream, bytes);
}

void Reporter::json(QJsonObject fields, const QString &type)
{
    fields.insert(QStringLiteral("type"), type);
    if (!label_.isEmpty()) {
        fields.insert(QStringLiteral("adapter"), label_.location);
        fields.insert(QStringLiteral("serial"), label_.serial);
    }
    print(out_, QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n');
}

void Reporter::writeOut(const QString &text)
{
    endProgressLine();
    const QString prefix = label_.isEmpty() ? QString() : label_.location + QLatin1String(": ");
    print(out_, (prefix + text + QLatin1Char('\n')).toLocal8Bit());
}

void Reporter::writeErr(const QString &text)
{
    endProgressLine();
    print(err_, (text + QLatin1Char('\n')).toLocal8Bit());
}

void Reporter::endProgressLine()
{
    // A redrawn line is finished before anything else is printed below it.
    if (progressShown_ && style_.terminal && !block_)
        writeNow(err_, "\n");
    progressShown_ = false;
}

void Reporter::log(const QString &line)
{
    if (style_.json) {
        json({{QStringLiteral("text"), line}}, QStringLiteral("log"));
    } else if (!style_.quiet) {
        writeOut(line);
    } else {
        logTail_ << line;
        if (logTail_.size() > kLogTailLines)
            logTail_.removeFirst();
    }
}

void Reporter::note(const QString &line)
{
    if (style_.json)
        json({{QStringLiteral("source"), QStringLiteral("feldmoor-cli")}, {QStringLiteral("text"), line}},
             QStringLiteral("log"));
    else if (!style_.quiet)
        writeOut(QLatin1String("feldmoor-cli: ") + line);
}

void Reporter::notice(const Notice &notice)
{
    note(noticeText(notice));
}

void Reporter::warn(const QString &line)
{
    writeErr(QLatin1String("feldmoor-cli: warning: ") + line);
}

void Reporter::resetProgress()
{
    endProgressLine();
    lastTenth_ = -1;
    writeClock_.invalidate();
}

void Reporter::progress(qint64 bytes, qint64 total)
{
    const std::optional<ProgressPercent> percent =
        progressPercent(static_cast<int>(qMin<qint64>(bytes, INT_MAX)), static_cast<quint32>(total));
    if (!percent)
        return;
    if (!writeClock_.isValid())
        writeClock_.start();
    if (style_.json) {
        json({{QStringLiteral("bytes"), bytes}, {QStringLiteral("total"), total}, {QStringLiteral("percent"), percent->whole}},
             QStringLiteral("progress"));
        return;
    }
    if (style_.quiet)
        return;
    if (block_) {
        block_->setLine(blockLine_, label_.location + QLatin1String("  ") +
                                        progressLine(bytes, total, percent->whole, writeClock_.elapsed() / 1000.0));
        return;
    }
    if (style_.terminal) {
        writeNow(err_, (QLatin1Char('\r') + progressLine(bytes, total, percent->whole, writeClock_.elapsed() / 1000.0) +
                   QLatin1String("\x1b[K"))
                      .toLocal8Bit());
        progressShown_ = true;
        return;
    }
    const int tenth = progressTenth(percent->whole);
    if (tenth <= lastTenth_)
        return;
    lastTenth_ = tenth;
    const QString prefix = label_.isEmpty() ? QString() : label_.location + QLatin1String(": ");
    print(err_, (prefix + QStringLiteral("progress %1 % (%2 of %3 bytes)\n").arg(tenth * 10).arg(bytes).arg(total))
                   .toLocal8Bit());
}

void Reporter::restart(const Restart &restart)
{
    if (style_.json)
        json({{QStringLiteral("attempt"), restart.attempt},
              {QStringLiteral("allowed"), restart.allowed},
              {QStringLiteral("reason"), restartReason(restart)}},
             QStringLiteral("restart"));
    else if (!style_.quiet)
        writeOut(QStringLiteral("feldmoor-cli: restart %1 of %2: %3")
                     .arg(restart.attempt)
                     .arg(restart.allowed)
                     .arg(restartReason(restart)));
}

void Reporter::check(const QJsonObject &fields, const QString &text)
{
    if (style_.json)
        json(fields, QStringLiteral("check"));
    else if (!style_.quiet)
        writeOut(QLatin1String("feldmoor-cli: ") + text);
}

void Reporter::partCheck(const PartCheck &part)
{
    QJsonObject fields{{QStringLiteral("check"), QStringLiteral("part")},
                       {QStringLiteral("ok"), part.ok},
                       {QStringLiteral("board"), part.boardPart},
                       {QStringLiteral("expected"), part.expectedPart},
                       {QStringLiteral("from"), part.claimSource}};
    if (part.idcode)
        fields.insert(QStringLiteral("idcode"), hex32(*part.idcode));
    check(fields, partCheckText(part));
}

void Reporter::doneCheck(const DoneCheck &done)
{
    QJsonObject fields{{QStringLiteral("check"), QStringLiteral("done")}};
    if (done.high) {
        fields.insert(QStringLiteral("ok"), *done.high);
        fields.insert(QStringLiteral("status"), hex32(done.status));
    } else {
        fields.insert(QStringLiteral("ok"), QJsonValue::Null);
        fields.insert(QStringLiteral("family"), done.family);
    }
    check(fields, doneCheckText(done));
}

void Reporter::blankCheck(const BlankCheck &blank)
{
    QJsonObject fields{{QStringLiteral("check"), QStringLiteral("blank")},
                       {QStringLiteral("ok"), blank.nonBlank == 0},
                       {QStringLiteral("offset"), hex32(quint32(blank.offset))},
                       {QStringLiteral("bytes"), qint64(blank.size)},
                       {QStringLiteral("non_blank"), qint64(blank.nonBlank)}};
    if (blank.nonBlank > 0)
        fields.insert(QStringLiteral("first_non_blank"), hex32(quint32(blank.firstNonBlank)));
    // As text, the result says it.
    if (style_.json)
        json(fields, QStringLiteral("check"));
}

void Reporter::sectorPlan(const SectorSummary &summary)
{
    if (style_.json) {
        QJsonObject fields{{QStringLiteral("sectors"), summary.sectors},
                           {QStringLiteral("offset"), hex32(quint32(summary.offset))},
                           {QStringLiteral("unchanged"), summary.unchanged},
                           {QStringLiteral("programmed"), summary.programmed},
                           {QStringLiteral("erased"), summary.erased}};
        if (!summary.restoredSectors.isEmpty()) {
            QJsonArray sectors;
            for (const quint32 sector : summary.restoredSectors)
                sectors.append(qint64(sector));
            fields.insert(QStringLiteral("restored_sectors"), sectors);
            fields.insert(QStringLiteral("restored_bytes"), qint64(summary.restoredBytes));
            fields.insert(QStringLiteral("restored_from"), QJsonArray::fromStringList(summary.restoredFiles));
        }
        json(fields, QStringLiteral("sectors"));
    } else if (!style_.quiet)
        writeOut(QLatin1String("feldmoor-cli: ") + sectorSummaryText(summary));
}

void Reporter::sectorWriteStopped(const SectorWriteStopped &stopped)
{
    endProgressLine();
    // On stderr with the failure it explains, also with --json and --quiet.
    const QString prefix = label_.isEmpty() ? QString() : label_.location + QLatin1String(": ");
    if (style_.json) {
        QJsonObject fields{{QStringLiteral("sector"), qint64(*stopped.current)},
                           {QStringLiteral("address"), hex32(quint32(stopped.currentAddress))},
                           {QStringLiteral("written"), stopped.done},
                           {QStringLiteral("remaining"), stopped.remaining}};
        if (!stopped.keptFile.isEmpty())
            fields.insert(QStringLiteral("kept_in"), stopped.keptFile);
        json(fields, QStringLiteral("stopped"));
    }
    writeErr(QLatin1String("feldmoor-cli: ") + prefix + sectorStoppedText(stopped));
}

void Reporter::result(const JobResult &result)
{
    finalLine(exitCodeOf(result.outcome.kind), outcomeText(result.outcome), result.seconds, result.flashLeft,
              pointsAtLog(result.outcome.kind));
}

void Reporter::result(const LoaderResult &result)
{
    finalLine(result.code, result.message, result.seconds, result.flashLeft, false);
}

void Reporter::finalLine(int code, const QString &text, double seconds, const std::optional<FlashLeftChanged> &flashLeft,
                         bool showLogTail)
{
    endProgressLine();
    const QString message = resultMessage(text, flashLeft);
    if (style_.json) {
        QJsonObject fields{{QStringLiteral("code"), code},
                           {QStringLiteral("message"), message},
                           {QStringLiteral("seconds"), qRound(seconds * 1000) / 1000.0}};
        if (flashLeft)
            fields.insert(QStringLiteral("flash_left"),
                          QJsonObject{{QStringLiteral("offset"), hex32(quint32(flashLeft->offset))},
                                      {QStringLiteral("bytes"), qint64(flashLeft->size)},
                                      {QStringLiteral("erased_only"), flashLeft->erase},
                                      {QStringLiteral("whole"), flashLeft->whole}});
        json(fields, QStringLiteral("result"));
    }
    const QString prefix = label_.isEmpty() ? QString() : label_.location + QLatin1String(": ");
    // --quiet showed none of the log such a failure points at: its end now.
    if (code != 0 && !logTail_.isEmpty() && showLogTail) {
        writeErr(QLatin1String("feldmoor-cli: ") + prefix + QLatin1String("the tool's last lines:"));
        for (const QString &line : std::as_const(logTail_))
            writeErr(QLatin1String("  ") + line);
    }
    logTail_.clear();
    if (code != 0)
        writeErr(QLatin1String("feldmoor-cli: ") + prefix + QLatin1String("error: ") + message);
    else if (!style_.json)
        writeOut(message);
}

void Reporter::boardLine(const QJsonObject &fields, const QString &text)
{
    if (style_.json)
        json(fields, QStringLiteral("board"));
    else
        writeOut(text);
}

void Reporter::prompt(const QString &text)
{
    writeErr(text);
}

} // namespace cli
