#include "cli/reporter.h"

#include "cli/progressline.h"

#include "download/progresspercent.h"

#include <QJsonDocument>

#include <climits>
#include <utility>

Reporter::Reporter(Style style, FILE *out, FILE *err) : style_(style), out_(out), err_(err)
{
}

void Reporter::json(QJsonObject object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), out_);
    std::fflush(out_);
}

void Reporter::writeOut(const QString &text)
{
    endProgressLine();
    const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out_);
    std::fflush(out_);
}

void Reporter::endProgressLine()
{
    // A redrawn line is finished before anything else is printed below it.
    if (progressShown_ && style_.terminal) {
        std::fputs("\n", err_);
        std::fflush(err_);
    }
    progressShown_ = false;
}

void Reporter::log(const QString &line)
{
    if (style_.json) {
        json({{QStringLiteral("type"), QStringLiteral("log")}, {QStringLiteral("text"), line}});
        return;
    }
    if (!style_.quiet)
        writeOut(line);
}

void Reporter::note(const QString &line)
{
    if (style_.json) {
        json({{QStringLiteral("type"), QStringLiteral("log")},
              {QStringLiteral("source"), QStringLiteral("feldmoor-cli")},
              {QStringLiteral("text"), line}});
        return;
    }
    if (!style_.quiet)
        writeOut(QLatin1String("feldmoor-cli: ") + line);
}

void Reporter::resetProgress()
{
    endProgressLine();
    lastTenth_ = -1;
    lastPercent_ = -1;
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
        json({{QStringLiteral("type"), QStringLiteral("progress")},
              {QStringLiteral("bytes"), bytes},
              {QStringLiteral("total"), total},
              {QStringLiteral("percent"), percent->whole}});
        return;
    }
    if (style_.quiet)
        return;
    if (style_.terminal) {
        const QByteArray line =
            (QLatin1Char('\r') + progressLine(bytes, total, percent->whole, writeClock_.elapsed() / 1000.0) +
             QLatin1String("\x1b[K"))
                .toLocal8Bit();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), err_);
        std::fflush(err_);
        progressShown_ = true;
        return;
    }
    const int tenth = progressTenth(percent->whole);
    if (tenth <= lastTenth_)
        return;
    lastTenth_ = tenth;
    const QByteArray line = QStringLiteral("progress %1 % (%2 of %3 bytes)\n")
                                .arg(tenth * 10)
                                .arg(bytes)
                                .arg(total)
                                .toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), err_);
    std::fflush(err_);
}

void Reporter::restart(int attempt, int allowed, const QString &reason)
{
    if (style_.json) {
        json({{QStringLiteral("type"), QStringLiteral("restart")},
              {QStringLiteral("attempt"), attempt},
              {QStringLiteral("allowed"), allowed},
              {QStringLiteral("reason"), reason}});
        return;
    }
    if (!style_.quiet)
        writeOut(QStringLiteral("feldmoor-cli: restart %1 of %2: %3").arg(attempt).arg(allowed).arg(reason));
}

void Reporter::json(QJsonObject fields, const QString &type)
{
    fields.insert(QStringLiteral("type"), type);
    json(std::move(fields));
}

void Reporter::check(const QJsonObject &fields, const QString &text)
{
    if (style_.json) {
        json(fields, QStringLiteral("check"));
        return;
    }
    if (!style_.quiet)
        writeOut(QLatin1String("feldmoor-cli: ") + text);
}

void Reporter::result(int code, const QString &message, double seconds)
{
    endProgressLine();
    if (style_.json)
        json({{QStringLiteral("type"), QStringLiteral("result")},
              {QStringLiteral("code"), code},
              {QStringLiteral("message"), message},
              {QStringLiteral("seconds"), qRound(seconds * 1000) / 1000.0}});
    if (code != 0) {
        const QByteArray line = (QLatin1String("feldmoor-cli: error: ") + message + QLatin1Char('\n')).toLocal8Bit();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), err_);
        std::fflush(err_);
    } else if (!style_.json) {
        writeOut(message);
    }
}

void Reporter::boardLine(const QJsonObject &fields, const QString &text)
{
    if (style_.json) {
        json(fields, QStringLiteral("board"));
        return;
    }
    writeOut(text);
}

void Reporter::prompt(const QString &text)
{
    endProgressLine();
    const QByteArray line = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), err_);
    std::fflush(err_);
}
