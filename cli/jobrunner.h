#ifndef FELDMOOR_CLI_JOBRUNNER_H
#define FELDMOOR_CLI_JOBRUNNER_H

#include "cli/jobrequest.h"

#include "download/commandcomposition.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>

#include <optional>

class Reporter;

struct JobOutcome {
    int code = 0;
    QString message;
    double seconds = 0;
    int restarts = 0;
    QString boardPart;
    std::optional<quint32> boardIdcode;
};

// One job from the event loop: find the adapter, name the board's part from
// an auto-probe run, check it against the file, run the load (restarting
// it on a too-fast erase) and read the status register for DONE. Each stage
// is one OpenOCD run; the next starts when the previous one has finished.
class JobRunner : public QObject {
    Q_OBJECT
public:
    JobRunner(JobRequest request, Reporter &reporter, QObject *parent = nullptr);

    void start();
    // Ends the job with `code`; a running tool is killed and its end awaited
    // first, so no child outlives the job.
    void abort(int code, const QString &message);
    const JobOutcome &outcome() const { return outcome_; }

signals:
    void finished();

private:
    enum class Stage { Detect, Load, ReadStatus, Verify };

    void runTool(Stage stage, const DownloadCommand &command);
    void onOutput();
    void onToolFinished(int exitCode, QProcess::ExitStatus status);
    void onToolError(QProcess::ProcessError error);
    void afterDetect();
    void afterLoad();
    void afterReadStatus();
    void startMainRun();
    void finish(int code, const QString &message);
    QString stageName() const;

    JobRequest request_;
    Reporter &reporter_;
    QProcess *process_ = nullptr;
    Stage stage_ = Stage::Detect;
    QString stageText_;
    bool restartPending_ = false;
    std::optional<std::pair<int, QString>> endPending_;
    bool done_ = false;
    QElapsedTimer clock_;
    JobOutcome outcome_;
};

#endif
