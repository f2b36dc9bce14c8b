#ifndef FELDMOOR_CLI_JOBSTEPS_H
#define FELDMOOR_CLI_JOBSTEPS_H

#include "cli/jobrequest.h"

#include "download/commandcomposition.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace cli {

class Reporter;

// What a job's steps have found so far.
struct JobState {
    std::optional<quint32> boardIdcode;
    QString boardPart;                 // catalogue name of the board's part, empty when unknown
    std::optional<quint32> status;     // the configuration status register
    std::optional<bool> contentsMatch;
    qint64 bytesWritten = 0;
};

// How a step ends the job, or lets the next one run.
struct Verdict {
    bool finish = false;
    int code = 0;
    QString message;

    static Verdict next() { return {}; }
    static Verdict done(int code, const QString &message) { return {true, code, message}; }
};

// One OpenOCD run of a job, and how its output and exit are judged.
struct Step {
    QString name;  // "the chain probe": how failures name it
    DownloadCommand command;
    // A flash write: its progress counts against `progressTotal`, and a
    // too-fast sector erase restarts it.
    bool flashWrite = false;
    qint64 progressTotal = 0;
    // After the tool exited 0: what its log (`output`) shows.
    std::function<Verdict(const QString &output, JobState &state, Reporter &reporter)> judge;
    // After a non-zero exit: a verdict that explains it better than the exit
    // code does, when the log shows one.
    std::function<std::optional<Verdict>(const QString &output)> explainFailure;
};

// The steps of a load, a verify or a detect.
QList<Step> jobSteps(const JobRequest &request);

} // namespace cli

#endif
