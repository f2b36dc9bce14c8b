#include "engine/jobrunner.h"

#include "engine/adapterchoice.h"
#include "engine/flashsteps.h"
#include "engine/jobobserver.h"

#include "download/outputchunk.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

namespace engine {

JobRunner::JobRunner(JobRequest request, QList<Step> steps, JobObserver &reporter, QObject *parent)
    : QObject(parent), request_(std::move(request)), steps_(std::move(steps)), reporter_(reporter)
{
}

void JobRunner::useTool(ToolRun *tool)
{
    faceTool_ = tool;
}

void JobRunner::start()
{
    clock_.start();
    if (request_.timeoutSeconds) {
        timeout_ = new QTimer(this);
        timeout_->setSingleShot(true);
        connect(timeout_, &QTimer::timeout, this, [this] {
            Outcome timedOut = outcomeNow(OutcomeKind::Timeout);
            timedOut.seconds = *request_.timeoutSeconds;
            abort(timedOut);
        });
        timeout_->start(static_cast<int>(*request_.timeoutSeconds * 1000));
    }
    if (!faceTool_ && !isAttached(request_.adapter, feldmoor::attachedAdapters())) {
        finish(outcomeNow(request_.adapter.isEmpty() ? OutcomeKind::NoAdapter : OutcomeKind::AdapterGone));
        return;
    }
    runStep();
}

void JobRunner::abort(const Outcome &outcome)
{
    if (state_ == State::Done || state_ == State::Aborting)
        return;
    // The run has ended and the face is between runs: the job ends once it
    // is done there.
    if (betweenRunsPending_) {
        state_ = State::Aborting;
        abortWith_ = outcome;
        return;
    }
    if (tool_ && tool_->running()) {
        state_ = State::Aborting;
        abortWith_ = outcome;
        tool_->end();
        return;
    }
    finish(outcome);
}

Outcome JobRunner::outcomeNow(OutcomeKind kind) const
{
    return outcomeOf(request_, kind, current_ < steps_.size() ? steps_.at(current_).kind : StepKind::ChainProbe);
}

void JobRunner::runStep()
{
    state_ = State::Running;
    output_.clear();
    Step &current = step();
    if (current.prepare) {
        if (const std::optional<Verdict> refusal = current.prepare(current, outcome_.found)) {
            finish(refusal->outcome);
            return;
        }
    }
    if (!faceTool_ && !QFileInfo(current.command.program).isFile()) {
        Outcome missing = outcomeNow(OutcomeKind::ToolMissing);
        missing.program = current.command.program;
        finish(missing);
        return;
    }
    if (faceTool_) {
        if (tool_ != faceTool_) {
            tool_ = faceTool_;
            connectTool();
        }
    } else {
        if (tool_)
            tool_->deleteLater();
        tool_ = new ToolRun(this);
        connectTool();
    }
    if (current.flashWrite) {
        flashChanging_ = true;
        outcome_.found.writeBegan = true;
    }
    stepTimedOut_ = false;
    if (current.limitMs > 0) {
        if (!stepLimit_) {
            stepLimit_ = new QTimer(this);
            stepLimit_->setSingleShot(true);
            connect(stepLimit_, &QTimer::timeout, this, [this] {
                stepTimedOut_ = true;
                Outcome timedOut = outcomeNow(OutcomeKind::Timeout);
                timedOut.seconds = step().limitMs / 1000.0;
                abort(timedOut);
            });
        }
        stepLimit_->start(current.limitMs);
    }
    // A failed start may be told inside the start (on Windows): the runner
    // may be over once this returns.
    if (current.chunked)
        tool_->startForChunks(current.command);
    else
        tool_->start(current.command, current.flashWrite);
}

void JobRunner::connectTool()
{
    connect(tool_, &ToolRun::logLine, this, [this](const QString &line) {
        reporter_.log(line);
        output_ += line + QLatin1Char('\n');
        if (step().onLine)
            step().onLine(line, reporter_);
    });
    connect(tool_, &ToolRun::chunk, this, &JobRunner::onChunk);
    connect(tool_, &ToolRun::progress, this, [this](qint64 bytes) {
        if (state_ == State::Running)
            reporter_.progress(bytes, step().progressTotal);
    });
    connect(tool_, &ToolRun::toolStarted, this, &JobRunner::toolStarted);
    connect(tool_, &ToolRun::tooFastErase, this, &JobRunner::onTooFastErase);
    connect(tool_, &ToolRun::finished, this, &JobRunner::onToolFinished);
}

void JobRunner::onChunk(const QByteArray &chunk)
{
    if (state_ == State::Done)
        return;
    reporter_.toolChunk(chunk);
    output_ += QString::fromLocal8Bit(chunk);
    // A report that reaches a run already being ended (for a restart, or for
    // good) starts nothing more, and shows as any other chunk.
    bool restartsHere = false;
    if (state_ == State::Running && isEraseRestartChunk(chunk)) {
        restartsHere = outcome_.restarts < request_.retries;
        onTooFastErase(chunkLogText(chunk));
    }
    if (isProgressChunk(chunk))
        reporter_.progress(progressBytes(chunk), step().progressTotal);
    else if (!restartsHere)
        reporter_.log(chunkLogText(chunk));
}

void JobRunner::onTooFastErase(const QString &report)
{
    if (state_ != State::Running)
        return;
    if (outcome_.restarts < request_.retries) {
        state_ = State::Restarting;
        reporter_.restart({outcome_.restarts + 1, request_.retries, report});
    } else {
        state_ = State::Aborting;
        Outcome tooMany = outcomeNow(OutcomeKind::TooManyRestarts);
        tooMany.toolLine = report;
        tooMany.restarts = outcome_.restarts;
        abortWith_ = tooMany;
    }
    tool_->end();
}

void JobRunner::onToolFinished(const ToolRun::Exit &exit)
{
    if (state_ == State::Done)
        return;
    if (stepLimit_)
        stepLimit_->stop();
    if (betweenRuns_ && !exit.failedToStart) {
        betweenRunsPending_ = true;
        const QPointer<JobRunner> self(this);
        betweenRuns_([self, exit] {
            if (!self || !self->betweenRunsPending_)
                return;
            self->betweenRunsPending_ = false;
            self->actOnEnd(exit);
        });
        return;
    }
    actOnEnd(exit);
}

void JobRunner::actOnEnd(const ToolRun::Exit &exit)
{
    if (state_ == State::Done)
        return;
    if (state_ == State::Aborting) {
        reportStopped();
        // What a run that hung had printed still counts: a chain probe that
        // named the chain's IDCODE before it stopped answering has read it.
        if (stepTimedOut_ && step().judge)
            step().judge(output_, outcome_.found, reporter_);
        finish(*abortWith_);
        return;
    }
    if (state_ == State::Restarting) {
        releaseStep();
        ++outcome_.restarts;
        reporter_.resetProgress();
        runStep();
        return;
    }
    const Step &current = step();
    if (exit.failedToStart) {
        Outcome notStarted = outcomeNow(OutcomeKind::ToolNotStartable);
        notStarted.program = current.command.program;
        notStarted.error = exit.error;
        finish(notStarted);
        return;
    }
    if (exit.endedFromOutside || exit.crashed || exit.code != 0)
        reportStopped();
    if (exit.endedFromOutside) {
        Outcome ended = outcomeNow(OutcomeKind::ToolEndedFromOutside);
        ended.crashed = exit.crashed;
        ended.exitCode = exit.code;
        finish(ended);
        return;
    }
    if (exit.crashed || exit.code != 0) {
        if (current.explainFailure) {
            if (const std::optional<Verdict> verdict = current.explainFailure(output_)) {
                if (verdict->flashSettled)
                    flashChanging_ = false;
                finish(verdict->outcome);
                return;
            }
        }
        Outcome failed = outcomeNow(OutcomeKind::ToolFailed);
        failed.crashed = exit.crashed;
        failed.exitCode = exit.code;
        finish(failed);
        return;
    }
    if (current.reachedEnd && !current.reachedEnd(output_)) {
        reportStopped();
        finish(outcomeNow(OutcomeKind::ToolStoppedEarly));
        return;
    }
    // It ran to its end: whatever it changed, it changed whole.
    flashChanging_ = false;
    if (const std::optional<Verdict> lost = adapterLostVerdict(current, output_)) {
        finish(lost->outcome);
        return;
    }
    const Verdict verdict = current.judge(output_, outcome_.found, reporter_);
    if (verdict.finish || current_ + 1 >= steps_.size()) {
        finish(verdict.outcome);
        return;
    }
    releaseStep();
    ++current_;
    runStep();
}

void JobRunner::finish(Outcome outcome)
{
    if (state_ == State::Done)
        return;
    state_ = State::Done;
    if (timeout_)
        timeout_->stop();
    if (stepLimit_)
        stepLimit_->stop();
    betweenRunsPending_ = false;
    // The face's tool serves its next job's runner.
    if (faceTool_)
        disconnect(faceTool_, nullptr, this, nullptr);
    releaseStep();
    outcome_.outcome = std::move(outcome);
    outcome_.seconds = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0;
    if (!succeeded(outcome_.outcome.kind) && flashChanging_)
        outcome_.flashLeft = flashLeftChanged(request_, outcome_.found);
    reporter_.result({outcome_.outcome, outcome_.seconds, outcome_.flashLeft});
    emit finished();
}

void JobRunner::reportStopped()
{
    if (current_ < steps_.size() && step().stopped && step().stopped(outcome_.found, reporter_))
        flashChanging_ = false;
}

void JobRunner::releaseStep()
{
    if (current_ < steps_.size() && step().release)
        step().release();
}

} // namespace engine
