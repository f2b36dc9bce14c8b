#ifndef FELDMOOR_ENGINE_JOBRUNNER_H
#define FELDMOOR_ENGINE_JOBRUNNER_H

#include "engine/jobevents.h"
#include "engine/jobrequest.h"
#include "engine/jobsteps.h"
#include "engine/toolrun.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace engine {

class JobObserver;

struct JobOutcome {
    Outcome outcome;
    double seconds = 0;
    int restarts = 0;
    JobState found;
    std::optional<FlashLeftChanged> flashLeft;  // see JobResult
};

// Walks a job's steps, one OpenOCD run each, the next starting when the
// previous one has been judged. Restarts after a too-fast erase, the
// timeout and ending from outside (abort) are handled here, once, for every
// step; no child outlives the job.
class JobRunner : public QObject {
    Q_OBJECT
public:
    JobRunner(JobRequest request, QList<Step> steps, JobObserver &reporter, QObject *parent = nullptr);

    // The face's own tool for every run, in place of one made per run. The
    // face has chosen the adapter and the program: the runner starts it as
    // given and lets the tool report a failed start itself.
    void useTool(ToolRun *tool);
    // Called once each run of the tool has ended (not after a failed start),
    // before the runner acts on that end: it goes on when `proceed` is called.
    using BetweenRuns = std::function<void(std::function<void()> proceed)>;
    void setBetweenRuns(BetweenRuns hook) { betweenRuns_ = std::move(hook); }

    void start();
    // Ends the job so; a running tool is killed and its end awaited first.
    void abort(const Outcome &outcome);
    const JobOutcome &outcome() const { return outcome_; }
    bool isDone() const { return state_ == State::Done; }

signals:
    // Each OpenOCD child the job starts, as it starts.
    void toolStarted(qint64 pid);
    void finished();

private:
    enum class State { Running, Restarting, Aborting, Done };

    void runStep();
    void connectTool();
    void onChunk(const QByteArray &chunk);
    void onTooFastErase(const QString &report);
    void onToolFinished(const ToolRun::Exit &exit);
    void actOnEnd(const ToolRun::Exit &exit);
    void finish(Outcome outcome);
    // An outcome of this job's, in the step that runs now.
    Outcome outcomeNow(OutcomeKind kind) const;
    void releaseStep();
    void reportStopped();
    Step &step() { return steps_[current_]; }

    JobRequest request_;
    QList<Step> steps_;
    JobObserver &reporter_;
    State state_ = State::Running;
    qsizetype current_ = 0;
    ToolRun *tool_ = nullptr;
    ToolRun *faceTool_ = nullptr;
    BetweenRuns betweenRuns_;
    bool betweenRunsPending_ = false;
    QTimer *stepLimit_ = nullptr;
    bool stepTimedOut_ = false;
    QString output_;
    std::optional<Outcome> abortWith_;
    QTimer *timeout_ = nullptr;
    bool flashChanging_ = false;  // a write's or an erase's run began and has not ended whole
    QElapsedTimer clock_;
    JobOutcome outcome_;
};

} // namespace engine

#endif
