#ifndef FELDMOOR_APP_CHECKRUN_H
#define FELDMOOR_APP_CHECKRUN_H

#include "app/checkfacts.h"
#include "engine/jobsteps.h"
#include "engine/stepinplace.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace engine {
class ToolRun;
}

// One check run of a job (the chain probe before a flash write, the status
// read after a run) beside the event loop, so that the window answers its
// controls meanwhile. A run that does not end in its time is ended.
class CheckRun : public QObject
{
public:
    struct Outcome {
        engine::Verdict verdict;
        engine::JobState state;
        CheckFacts facts;
        bool timedOut = false;
    };
    using Done = std::function<void(const Outcome &outcome)>;

    // `done` is called once, from the event loop, when the run is over;
    // never after end() or the run's deletion.
    CheckRun(const engine::Step &step, int limitMs, Done done, QObject *parent = nullptr);
    ~CheckRun() override;
    CheckRun(const CheckRun &) = delete;
    CheckRun &operator=(const CheckRun &) = delete;

    void start();
    // Ends the tool, if it still runs, and waits for it; nothing is reported.
    void end();
    bool timedOut() const { return outcome_.timedOut; }

private:
    void onFinished(bool failedToStart, bool crashed, int code, const QString &error);
    void deliver();

    engine::Step step_;
    engine::ToolRun *tool_;
    QTimer limit_;
    engine::StepRunEnd end_;
    Outcome outcome_;
    Done done_;
    bool over_ = false;
};

#endif
