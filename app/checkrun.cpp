#include "app/checkrun.h"

#include "engine/toolrun.h"

CheckRun::CheckRun(const engine::Step &step, int limitMs, Done done, QObject *parent)
    : QObject(parent), step_(step), tool_(new engine::ToolRun(this)), done_(std::move(done))
{
    limit_.setSingleShot(true);
    limit_.setInterval(limitMs);
    connect(&limit_, &QTimer::timeout, this, [this] {
        outcome_.timedOut = true;
        tool_->end();
    });
    connect(tool_, &engine::ToolRun::logLine, this, [this](const QString &line) {
        end_.output += line + QLatin1Char('\n');
    });
    connect(tool_, &engine::ToolRun::finished, this, [this](const engine::ToolRun::Exit &exit) {
        onFinished(exit.failedToStart, exit.crashed, exit.code, exit.error);
    });
}

CheckRun::~CheckRun()
{
    end();
}

void CheckRun::start()
{
    if (const std::optional<engine::Verdict> refusal = engine::prepareStep(step_, outcome_.state)) {
        outcome_.verdict = *refusal;
        over_ = true;
        QTimer::singleShot(0, this, [this] { deliver(); });
        return;
    }
    limit_.start();
    tool_->start(step_.command, step_.flashWrite);
}

void CheckRun::end()
{
    done_ = nullptr;
    limit_.stop();
    if (tool_->running()) {
        tool_->end();
        tool_->waitForFinished(limit_.interval());
    }
    if (!over_) {
        over_ = true;
        if (step_.release)
            step_.release();
    }
}

void CheckRun::onFinished(bool failedToStart, bool crashed, int code, const QString &error)
{
    if (over_)
        return;
    over_ = true;
    limit_.stop();
    end_.started = !failedToStart;
    end_.error = error;
    end_.ended = !outcome_.timedOut;
    end_.status = crashed ? QProcess::CrashExit : QProcess::NormalExit;
    end_.code = code;
    // What a tool that hung had printed still counts: a probe that named the
    // chain's IDCODE before it stopped answering has read it.
    if (outcome_.timedOut && step_.judge)
        step_.judge(end_.output, outcome_.state, outcome_.facts);
    outcome_.verdict = engine::judgeStepRun(step_, outcome_.state, outcome_.facts, end_);
    deliver();
}

void CheckRun::deliver()
{
    if (Done done = std::exchange(done_, nullptr))
        done(outcome_);
}
