#include "engine/jobrunner.h"

#include "engine/adapterchoice.h"
#include "engine/exitcodes.h"
#include "engine/flashsteps.h"
#include "engine/jobobserver.h"

#include <QFileInfo>
#include <QTimer>

namespace engine {

JobRunner::JobRunner(JobRequest request, QList<Step> steps, JobObserver &reporter, QObject *parent)
    : QObject(parent), request_(std::move(request)), steps_(std::move(steps)), reporter_(reporter)
{
}

void JobRunner::start()
{
    clock_.start();
    if (request_.timeoutSeconds) {
        timeout_ = new QTimer(this);
        timeout_->setSingleShot(true);
        connect(timeout_, &QTimer::timeout, this, [this] {
            abort(exitcode::kTimeout,
                  QStringLiteral("timed out after %1 s (--timeout); the tool was ended").arg(*request_.timeoutSeconds));
        });
        timeout_->start(static_cast<int>(*request_.timeoutSeconds * 1000));
    }
    if (!isAttached(request_.adapter, feldmoor::attachedAdapters())) {
        finish(exitcode::kNoAdapter,
               request_.adapter.isEmpty()
                   ? QStringLiteral("no QB562 adapter is attached: plug one in ('feldmoor-cli adapters' lists them)")
                   : QLatin1String("the chosen adapter (") +
                         (request_.adapter.serial.isEmpty() ? request_.adapter.usbLocation
                                                            : QLatin1String("serial ") + request_.adapter.serial) +
                         QLatin1String(") is no longer attached: plug it in again"));
        return;
    }
    runStep();
}

void JobRunner::abort(int code, const QString &message)
{
    if (state_ == State::Done || state_ == State::Aborting)
        return;
    if (tool_ && tool_->running()) {
        state_ = State::Aborting;
        abortWith_ = std::make_pair(code, message);
        tool_->end();
        return;
    }
    finish(code, message);
}

void JobRunner::runStep()
{
    state_ = State::Running;
    output_.clear();
    Step &current = step();
    if (current.prepare) {
        if (const std::optional<Verdict> refusal = current.prepare(current, outcome_.found)) {
            finish(refusal->code, refusal->message);
            return;
        }
    }
    if (!QFileInfo(current.command.program).isFile()) {
        finish(exitcode::kToolMissing, QLatin1String("OpenOCD is missing: ") + current.command.program +
                                           QLatin1String(" does not exist; install the QB562 build of OpenOCD there"));
        return;
    }
    if (tool_)
        tool_->deleteLater();
    tool_ = new ToolRun(this);
    connect(tool_, &ToolRun::logLine, this, [this](const QString &line) {
        reporter_.log(line);
        output_ += line + QLatin1Char('\n');
        if (step().onLine)
            step().onLine(line, reporter_);
    });
    connect(tool_, &ToolRun::progress, this, [this](qint64 bytes) {
        if (state_ == State::Running)
            reporter_.progress(bytes, step().progressTotal);
    });
    connect(tool_, &ToolRun::toolStarted, this, &JobRunner::toolStarted);
    connect(tool_, &ToolRun::tooFastErase, this, &JobRunner::onTooFastErase);
    connect(tool_, &ToolRun::finished, this, &JobRunner::onToolFinished);
    if (current.flashWrite) {
        flashChanging_ = true;
        outcome_.found.writeBegan = true;
    }
    tool_->start(current.command, current.flashWrite);
}

void JobRunner::onTooFastErase(const QString &report)
{
    if (state_ != State::Running)
        return;
    const QString reason = QStringLiteral("a flash sector erase took under 10 ms (") + report + QLatin1Char(')');
    if (outcome_.restarts < request_.retries) {
        state_ = State::Restarting;
        reporter_.restart({outcome_.restarts + 1, request_.retries, reason});
    } else {
        state_ = State::Aborting;
        abortWith_ = std::make_pair(
            exitcode::kTooManyRestarts,
            QStringLiteral("%1 after %2 restarts: the flash keeps finishing erases too fast; check the flash chip and "
                           "its write protection, or raise --retries")
                .arg(reason)
                .arg(outcome_.restarts));
    }
    tool_->end();
}

void JobRunner::onToolFinished(const ToolRun::Exit &exit)
{
    if (state_ == State::Done)
        return;
    if (state_ == State::Aborting) {
        reportStopped();
        finish(abortWith_->first, abortWith_->second);
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
        finish(exitcode::kToolMissing,
               QLatin1String("OpenOCD could not be started (") + current.command.program + QLatin1String(": ") +
                   exit.error + QLatin1String("); check that it is the QB562 build and may be run"));
        return;
    }
    if (exit.endedFromOutside || exit.crashed || exit.code != 0)
        reportStopped();
    if (exit.endedFromOutside) {
        finish(exitcode::kToolFailed, QLatin1String("OpenOCD was ended from outside during ") + current.name +
                                          QLatin1String(" (something ended every openocd.exe, as the Feldmoor window "
                                                        "does when its run ends): run the job again"));
        return;
    }
    if (exit.crashed || exit.code != 0) {
        if (current.explainFailure) {
            if (const std::optional<Verdict> verdict = current.explainFailure(output_)) {
                if (verdict->flashSettled)
                    flashChanging_ = false;
                finish(verdict->code, verdict->message);
                return;
            }
        }
        const QString how = exit.crashed ? QStringLiteral("crashed") : QStringLiteral("exited with code %1").arg(exit.code);
        finish(exitcode::kToolFailed,
               QLatin1String("OpenOCD ") + how + QLatin1String(" during ") + current.name + QLatin1String(": see its log above"));
        return;
    }
    if (current.reachedEnd && !current.reachedEnd(output_)) {
        reportStopped();
        finish(exitcode::kToolFailed, QLatin1String("OpenOCD exited 0 before the end of its list during ") +
                                          current.name +
                                          QLatin1String(" (its last command never reported: something ended it, as "
                                                        "the Feldmoor window ends every openocd.exe when its run "
                                                        "ends): run the job again"));
        return;
    }
    // It ran to its end: whatever it changed, it changed whole.
    flashChanging_ = false;
    if (const std::optional<Verdict> lost = adapterLostVerdict(current, output_)) {
        finish(lost->code, lost->message);
        return;
    }
    const Verdict verdict = current.judge(output_, outcome_.found, reporter_);
    if (verdict.finish || current_ + 1 >= steps_.size()) {
        finish(verdict.code, verdict.message);
        return;
    }
    releaseStep();
    ++current_;
    runStep();
}

void JobRunner::finish(int code, const QString &message)
{
    if (state_ == State::Done)
        return;
    state_ = State::Done;
    if (timeout_)
        timeout_->stop();
    releaseStep();
    outcome_.code = code;
    outcome_.message = message;
    outcome_.seconds = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0;
    if (code != exitcode::kOk && flashChanging_)
        outcome_.flashLeft = flashLeftChanged(request_, outcome_.found);
    reporter_.result({code, message, outcome_.seconds, outcome_.flashLeft});
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
