#include "cli/facttexts.h"
#include "cli/boardsession.h"

#include "cli/adapterchoice.h"
#include "cli/exitcodes.h"
#include "cli/outcometexts.h"
#include "cli/records/boardrecorder.h"
#include "engine/adapterlock.h"
#include "engine/bytecount.h"
#include "engine/imagefile.h"
#include "engine/jobrunner.h"
#include "cli/progressblock.h"
#include "cli/stdinlines.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSysInfo>

#include <algorithm>

namespace cli {

using namespace engine;

namespace {

// What ends the jobs when the loader is told to stop with `code`.
OutcomeKind interruptKind(int code)
{
    switch (code) {
    case exitcode::kInterrupted:
        return OutcomeKind::Interrupted;
    case exitcode::kHungUp:
        return OutcomeKind::HungUp;
    default:
        return OutcomeKind::Terminated;
    }
}

} // namespace

bool BoardSession::Running::done() const
{
    return refusal || runner->isDone();
}

BoardSession::BoardEnd BoardSession::boardEnd(const Running &job)
{
    if (job.refusal)
        return {job.refusal->first, job.refusal->second, 0.0, 0, {}};
    const JobOutcome &outcome = job.runner->outcome();
    return {exitCodeOf(outcome.outcome.kind), resultMessage(outcomeText(outcome.outcome), outcome.flashLeft),
            outcome.seconds, outcome.restarts, outcome.found};
}

BoardSession::BoardSession(QList<BoardJob> boards, LoadPlan plan, BoardSessionSettings settings,
                           Reporter::Style style, QObject *parent)
    : QObject(parent), boards_(std::move(boards)), plan_(std::move(plan)), settings_(std::move(settings)),
      style_(style), reporter_(style)
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

std::optional<std::pair<int, QString>>
BoardSession::roundRefusal(const BoardJob &board, const std::vector<feldmoor::AdapterIdentity> &attached) const
{
    if (!board.byDefault || attached.size() < 2)
        return std::nullopt;
    const AdapterChoice choice = chooseAdapters({}, attached);
    return std::make_pair(choice.errorCode, choice.error + QLatin1String(" (this session began on ") +
                                                board.label.location + QLatin1Char(')'));
}

void BoardSession::startRound()
{
    if (interruptedWith_ || stopped_)
        return;
    // The last round's runners finished long ago; nothing of theirs runs.
    for (const Running &job : running_)
        delete job.runner;
    running_.clear();
    block_.reset();
    // Each later round writes what its own look at the file found, from a
    // copy of its own: the file may have changed while the boards were swapped.
    std::optional<std::pair<int, QString>> fileRefusal;
    if (rounds_ > 0 && settings_.replan) {
        LoadPlan next = settings_.replan();
        if (next.errorCode != 0) {
            fileRefusal = std::make_pair(next.errorCode, next.error);
        } else {
            plan_ = std::move(next);
            for (const QString &note : std::as_const(plan_.notes))
                reporter_.note(note);
        }
    }
    fileSha256_ = fileRefusal || !settings_.recorder || plan_.fileBytes.isEmpty()
                      ? QString()
                      : sha256Hex(plan_.fileBytes);
    const bool laterRound = rounds_++ > 0;
    const std::vector<feldmoor::AdapterIdentity> attached =
        laterRound ? feldmoor::attachedAdapters() : std::vector<feldmoor::AdapterIdentity>();
    if (several() && style_.terminal && !style_.quiet) {
        QStringList labels;
        for (const BoardJob &board : boards_)
            labels << board.label.location;
        block_ = std::make_unique<ProgressBlock>(labels);
    }
    std::vector<std::optional<std::pair<int, QString>>> refusals;
    for (const BoardJob &board : boards_) {
        std::optional<std::pair<int, QString>> refusal = fileRefusal ? fileRefusal : roundRefusal(board, attached);
        Running job;
        // The one board of a single-adapter run needs no label on its lines.
        job.reporter = std::make_unique<Reporter>(style_, several() ? board.label : BoardLabel{}, block_.get(),
                                                  int(running_.size()));
        JobRequest request = plan_.request;
        request.adapter = board.selection;
        if (board.identity)
            request.adapterKey = adapterKey(*board.identity);
        // Drawn before the job: an empty pool stops it before the board is touched.
        if (settings_.serials && !refusal) {
            SerialSupply::Draw drawn = settings_.serials->draw();
            if (drawn.serial) {
                request.flash.serial = drawn.serial->write;
                job.serial = drawn.serial;
            } else {
                refusal = std::make_pair(drawn.errorCode, drawn.error);
                poolEmpty_ = poolEmpty_ || drawn.errorCode == exitcode::kPoolEmpty;
            }
        }
        job.runner = new JobRunner(request, jobSteps(request), *job.reporter, this);
        job.board = &board;
        connect(job.runner, &JobRunner::finished, this, &BoardSession::jobDone);
        connect(job.runner, &JobRunner::toolStarted, this, [this, &board](qint64 pid) {
            if (settings_.locks && board.identity)
                settings_.locks->noteTool(*board.identity, pid);
        });
        running_.push_back(std::move(job));
        refusals.push_back(refusal);
    }
    // Started only once every job exists: one that ends at once (no adapter)
    // must not see the round as complete.
    for (size_t i = 0; i < running_.size(); ++i) {
        if (refusals[i]) {
            running_[i].refusal = refusals[i];
            running_[i].reporter->result({refusals[i]->first, refusals[i]->second, 0.0, {}});
            jobDone();
        } else {
            running_[i].runner->start();
        }
    }
}

void BoardSession::interrupt(int code)
{
    if (interruptedWith_ || stopped_)
        return;
    const bool busy = std::any_of(running_.begin(), running_.end(), [](const Running &job) { return !job.done(); });
    // At the prompt nothing is cut off: the session ends as with q.
    if (!busy) {
        stop();
        return;
    }
    interruptedWith_ = code;
    Outcome stopped;
    stopped.kind = interruptKind(code);
    for (const Running &job : running_) {
        if (!job.refusal)
            job.runner->abort(stopped);
    }
}

void BoardSession::jobDone()
{
    if (std::any_of(running_.begin(), running_.end(), [](const Running &job) { return !job.done(); }))
        return;
    for (Running &job : running_) {
        const BoardEnd end = boardEnd(job);
        ++jobs_;
        if (end.code == exitcode::kOk)
            ++passed_;
        else if (firstFailure_ == 0)
            firstFailure_ = end.code;
        // Once the database failed, the round's other rows go to the journal
        // too. The value's end goes with the row; without a row, on its own.
        if (settings_.recorder && (!recordFailed_ || journaled_))
            recordFailed_ = !record(job, end) || recordFailed_;
        else if (job.serial && !settleSerial(job, end))
            recordFailed_ = true;
        if ((settings_.repeat && !interruptedWith_) || several())
            reportBoard(*job.board, end);
    }
    block_.reset();
    if (!settings_.repeat || interruptedWith_ || recordFailed_ || poolEmpty_) {
        stop();
        return;
    }
    reporter_.prompt(QStringLiteral("Next board: connect it and press Enter (q or end of input stops)"));
    input_->requestLine();
}

void BoardSession::reportBoard(const BoardJob &board, const BoardEnd &outcome)
{
    const bool pass = outcome.code == exitcode::kOk;
    const QString &message = outcome.message;
    QJsonObject fields{{QStringLiteral("board"), jobs_},
                       {QStringLiteral("pass"), pass},
                       {QStringLiteral("code"), outcome.code},
                       {QStringLiteral("seconds"), qRound(outcome.seconds * 10) / 10.0},
                       {QStringLiteral("reason"), message}};
    if (!several()) {
        reporter_.boardLine(fields, QStringLiteral("%1 board %2  %3 s  %4")
                                        .arg(pass ? "PASS" : "FAIL")
                                        .arg(jobs_)
                                        .arg(outcome.seconds, 0, 'f', 1)
                                        .arg(message));
        return;
    }
    fields.insert(QStringLiteral("adapter"), board.label.location);
    fields.insert(QStringLiteral("serial"), board.label.serial);
    fields.insert(QStringLiteral("part"), outcome.found.boardPart);
    const QString result = pass ? QStringLiteral("PASS")
                                : QStringLiteral("FAIL (exit %1: %2)").arg(outcome.code).arg(message);
    reporter_.boardLine(fields, QStringLiteral("%1  %2  %3  %4")
                                    .arg(board.label.location, -15)
                                    .arg(board.label.serial.isEmpty() ? QStringLiteral("-") : board.label.serial, -12)
                                    .arg(outcome.found.boardPart.isEmpty() ? QStringLiteral("-") : outcome.found.boardPart, -16)
                                    .arg(result));
}

bool BoardSession::settleSerial(const Running &job, const BoardEnd &end)
{
    const std::optional<QString> error = settings_.serials->settle(*job.serial, serialFate(end.found));
    if (!error)
        return true;
    reporter_.prompt(QStringLiteral("feldmoor-cli: error: can't settle serial number %1 of pool %2 in %3: %4; it "
                                    "stays reserved (counted spoiled once this loader ends) and the session stops")
                         .arg(job.serial->text, settings_.serials->pool(), settings_.recorder->target().given, *error));
    return false;
}

bool BoardSession::record(const Running &job, const BoardEnd &outcome)
{
    const BoardJob &board = *job.board;
    // A flash write that compared its sectors says what it did with them.
    const bool planned = outcome.found.sectors.has_value();
    const SectorSummary sectors = planned ? outcome.found.sectors->summary() : SectorSummary{};
    const auto sectorCount = [&](int SectorSummary::*field) {
        return planned ? QString::number(sectors.*field) : QString();
    };
    const QStringList fields = {
        QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc()).toString(Qt::ISODate),
        QSysInfo::machineHostName(),
        plan_.request.sourceFile,
        fileSha256_,
        outcome.found.boardPart,
        outcome.found.boardIdcode ? hex32(*outcome.found.boardIdcode) : QString(),
        jobKindText(plan_.request),
        outcome.code == exitcode::kOk ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
        QString::number(outcome.code),
        QString::number(outcome.seconds, 'f', 1),
        QString::number(outcome.restarts),
        board.label.location,
        board.label.serial,
        sectorCount(&SectorSummary::unchanged),
        sectorCount(&SectorSummary::programmed),
        sectorCount(&SectorSummary::erased)};
    BoardRow row;
    row.fields = fields;
    row.station = settings_.station;
    // A value freed again is another board's; one spoiled stays with this board.
    if (job.serial) {
        const ValueFate fate = serialFate(outcome.found);
        row.settlement = SerialSettlement{settings_.serials->pool(), job.serial->value, fate};
        if (fate != ValueFate::Free) {
            row.serialPool = settings_.serials->pool();
            row.serialNumber = job.serial->text;
        }
    }
    const BoardRecorder::Appended appended = settings_.recorder->append(row);
    if (!appended.error)
        return true;
    const QString &given = settings_.recorder->target().given;
    if (!appended.journal.isEmpty()) {
        journaled_ = true;
        reporter_.prompt(QStringLiteral("feldmoor-cli: error: the record database %1 can't take the board's row "
                                        "(%2): it waits in the journal %3, which the next session sends, or "
                                        "'feldmoor-cli record sync --record %1'; the session stops")
                             .arg(given, *appended.error, appended.journal));
        return false;
    }
    const std::optional<QString> &error = appended.error;
    reporter_.prompt(QLatin1String("feldmoor-cli: error: can't append to ") + settings_.recorder->target().given +
                     QLatin1String(": ") + *error + QLatin1String("; the board's row is lost and the session stops"));
    return false;
}

void BoardSession::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    int code = firstFailure_;
    if (interruptedWith_)
        code = *interruptedWith_;
    else if (recordFailed_)
        code = exitcode::kBadFile;
    else if (poolEmpty_)
        code = exitcode::kPoolEmpty;
    else if (isSession())
        code = passed_ < jobs_ ? exitcode::kSomeBoardsFailed : exitcode::kOk;
    if (isSession()) {
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
