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
    void onTooFastErase(const QString &report);
    void onToolFinished(const ToolRun::Exit &exit);
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
    QString output_;
    std::optional<Outcome> abortWith_;
    QTimer *timeout_ = nullptr;
    bool flashChanging_ = false;  // a write's or an erase's run began and has not ended whole
    QElapsedTimer clock_;
    JobOutcome outcome_;
};

} // namespace engine

#endif
