#include "cli/boardsession.h"

#include "cli/boardrecord.h"
#include "engine/exitcodes.h"
#include "engine/jobrunner.h"
#include "engine/jobtexts.h"
#include "cli/progressblock.h"
#include "cli/stdinlines.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSysInfo>

#include <algorithm>

namespace cli {

using namespace engine;

BoardSession::BoardSession(QList<BoardJob> boards, BoardSessionSettings settings, Reporter::Style style,
                           QObject *parent)
    : QObject(parent), boards_(std::move(boards)), settings_(std::move(settings)), style_(style), reporter_(style)
{
    input_ = new StdinLines(this);
    connect(input_, &StdinLines::lineRead, this, [this](const QString &line) {
        if (line.compare(QLatin1String("q"), Qt::CaseInsensitive) == 0)
            stop();
        else
            startRound();
    });
    connect(input_, &StdinLines::endOfInput, this, &BoardSession::stop);
}

BoardSession::~BoardSession() = default;

void BoardSession::start()
{
    startRound();
}

void BoardSession::startRound()
{
    if (interruptedWith_)
        return;
    // The last round's runners finished long ago; nothing of theirs runs.
    for (const Running &job : running_)
        delete job.runner;
    running_.clear();
    block_.reset();
    if (several() && style_.terminal && !style_.quiet) {
        QStringList labels;
        for (const BoardJob &board : boards_)
            labels << board.label.location;
        block_ = std::make_unique<ProgressBlock>(labels);
    }
    for (const BoardJob &board : boards_) {
        Running job;
        // The one board of a single-adapter run needs no label on its lines.
        job.reporter = std::make_unique<Reporter>(style_, several() ? board.label : BoardLabel{}, block_.get(),
                                                  int(running_.size()));
        job.runner = new JobRunner(board.request, jobSteps(board.request), *job.reporter, this);
        job.board = &board;
        connect(job.runner, &JobRunner::finished, this, &BoardSession::jobDone);
        running_.push_back(std::move(job));
    }
    // Started only once every job exists: one that ends at once (no adapter)
    // must not see the round as complete.
    for (const Running &job : running_)
        job.runner->start();
}

void BoardSession::interrupt(int code)
{
    if (interruptedWith_)
        return;
    interruptedWith_ = code;
    const QString message = code == exitcode::kInterrupted ? QStringLiteral("interrupted (Ctrl-C); the tool was ended")
                                                           : QStringLiteral("terminated; the tool was ended");
    const bool busy =
        std::any_of(running_.begin(), running_.end(), [](const Running &job) { return !job.runner->isDone(); });
    if (!busy) {
        stop();
        return;
    }
    for (const Running &job : running_)
        job.runner->abort(code, message);
}

void BoardSession::jobDone()
{
    if (std::any_of(running_.begin(), running_.end(), [](const Running &job) { return !job.runner->isDone(); }))
        return;
    for (Running &job : running_) {
        const JobOutcome &outcome = job.runner->outcome();
        ++jobs_;
        if (outcome.code == exitcode::kOk)
            ++passed_;
        else if (firstFailure_ == 0)
            firstFailure_ = outcome.code;
        if (!settings_.recordFile.isEmpty())
            record(*job.board, *job.runner);
        if ((settings_.repeat && !interruptedWith_) || several())
            reportBoard(*job.board, outcome);
    }
    block_.reset();
    if (!settings_.repeat || interruptedWith_) {
        stop();
        return;
    }
    reporter_.prompt(QStringLiteral("Next board: connect it and press Enter (q or end of input stops)"));
    input_->requestLine();
}

void BoardSession::reportBoard(const BoardJob &board, const JobOutcome &outcome)
{
    const bool pass = outcome.code == exitcode::kOk;
    QJsonObject fields{{QStringLiteral("board"), jobs_},
                       {QStringLiteral("pass"), pass},
                       {QStringLiteral("code"), outcome.code},
                       {QStringLiteral("seconds"), qRound(outcome.seconds * 10) / 10.0},
                       {QStringLiteral("reason"), outcome.message}};
    if (!several()) {
        reporter_.boardLine(fields, QStringLiteral("%1 board %2  %3 s  %4")
                                        .arg(pass ? "PASS" : "FAIL")
                                        .arg(jobs_)
                                        .arg(outcome.seconds, 0, 'f', 1)
                                        .arg(outcome.message));
        return;
    }
    fields.insert(QStringLiteral("adapter"), board.label.location);
    fields.insert(QStringLiteral("serial"), board.label.serial);
    fields.insert(QStringLiteral("part"), outcome.found.boardPart);
    const QString result = pass ? QStringLiteral("PASS")
                                : QStringLiteral("FAIL (exit %1: %2)").arg(outcome.code).arg(outcome.message);
    reporter_.boardLine(fields, QStringLiteral("%1  %2  %3  %4")
                                    .arg(board.label.location, -15)
                                    .arg(board.label.serial.isEmpty() ? QStringLiteral("-") : board.label.serial, -12)
                                    .arg(outcome.found.boardPart.isEmpty() ? QStringLiteral("-") : outcome.found.boardPart, -16)
                                    .arg(result));
}

void BoardSession::record(const BoardJob &board, const JobRunner &runner)
{
    const JobOutcome &outcome = runner.outcome();
    // A flash write that compared its sectors says what it did with them.
    const bool planned = outcome.found.sectors.has_value();
    const SectorSummary sectors = planned ? outcome.found.sectors->summary() : SectorSummary{};
    const auto sectorCount = [&](int SectorSummary::*field) {
        return planned ? QString::number(sectors.*field) : QString();
    };
    const QStringList fields = {
        QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc()).toString(Qt::ISODate),
        QSysInfo::machineHostName(),
        board.request.sourceFile,
        settings_.fileSha256,
        outcome.found.boardPart,
        outcome.found.boardIdcode ? hex32(*outcome.found.boardIdcode) : QString(),
        jobKindText(board.request),
        outcome.code == exitcode::kOk ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
        QString::number(outcome.code),
        QString::number(outcome.seconds, 'f', 1),
        QString::number(outcome.restarts),
        board.label.location,
        board.label.serial,
        sectorCount(&SectorSummary::unchanged),
        sectorCount(&SectorSummary::programmed),
        sectorCount(&SectorSummary::erased)};
    QString error;
    if (!appendBoardRecord(settings_.recordFile, fields, error))
        reporter_.prompt(QLatin1String("feldmoor-cli: error: can't append to ") + settings_.recordFile +
                         QLatin1String(": ") + error);
}

void BoardSession::stop()
{
    int code = interruptedWith_ ? *interruptedWith_ : firstFailure_;
    if (!interruptedWith_ && several() && passed_ < jobs_)
        code = exitcode::kSomeBoardsFailed;
    if (settings_.repeat || several()) {
        const int failed = jobs_ - passed_;
        reporter_.boardLine({{QStringLiteral("summary"), true},
                             {QStringLiteral("boards"), jobs_},
                             {QStringLiteral("passed"), passed_},
                             {QStringLiteral("failed"), failed}},
                            QStringLiteral("%1 %2: %3 passed, %4 failed")
                                .arg(jobs_)
                                .arg(jobs_ == 1 ? "board" : "boards")
                                .arg(passed_)
                                .arg(failed));
    }
    emit finished(code);
}

} // namespace cli
