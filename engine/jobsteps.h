#ifndef FELDMOOR_ENGINE_JOBSTEPS_H
#define FELDMOOR_ENGINE_JOBSTEPS_H

#include "engine/flashgeometry.h"
#include "engine/jobrequest.h"
#include "engine/outcome.h"
#include "engine/sectorplan.h"

#include "download/commandcomposition.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace engine {

class JobObserver;

// What a job's steps have found so far.
struct JobState {
    std::optional<quint32> boardIdcode;
    QString boardPart;                 // catalogue name of the board's part, empty when unknown
    std::optional<quint32> status;     // the configuration status register
    std::optional<bool> contentsMatch;
    qint64 bytesWritten = 0;
    std::optional<FlashGeometry> flash;  // what the tool reported of the flash
    std::optional<FlashRange> range;     // the flash job's range, checked against it
    std::optional<SectorPlan> sectors;   // a flash write's plan from the sectors read back
    std::optional<SectorWriteStopped> sectorStopped;  // where that write was cut off
    bool writeBegan = false;  // a run that changes the flash was started
};

// How a step ends the job, or lets the next one run.
struct Verdict {
    bool finish = false;
    Outcome outcome;
    // For a run that changes the flash and failed: its change was whole (or
    // never began), as its log shows, so the flash is not left half-changed.
    bool flashSettled = false;

    static Verdict next() { return {}; }
    static Verdict done(Outcome outcome) { return {true, std::move(outcome), false}; }
    static Verdict settled(Outcome outcome) { return {true, std::move(outcome), true}; }
};

// One OpenOCD run of a job, and how its output and exit are judged.
struct Step {
    StepKind kind = StepKind::ChainProbe;
    DownloadCommand command;
    // Just before the tool starts (again after a restart): composes `command`
    // from what earlier steps found, and makes the files the run reads or
    // writes. A verdict ends the job instead. A dry run calls it with what the
    // request says, and takes a verdict as what the list waits for.
    std::function<std::optional<Verdict>(Step &self, const JobState &state)> prepare;
    // Once the run is over, however it ended (judged, failed, restarted, or
    // the job abandoned): removes what `prepare` made. May run more than once.
    std::function<void()> release;
    // The run the job is for (not a check before or after it): a dry run
    // shows its list apart from the others'.
    bool primary = false;
    // The range this run's judge checks, or reads back, as the request gives
    // it without a board: what a dry run can tell of it.
    std::optional<FlashRange> dryRunRange;
    // A flash write: its progress counts against `progressTotal`, and a
    // too-fast sector erase restarts it.
    bool flashWrite = false;
    qint64 progressTotal = 0;
    // Its output handed over as each read returns it, every chunk judged
    // alone: any of them may report progress or a too-fast erase, whatever
    // the run is for.
    bool chunked = false;
    // At most this long (0: no limit); then the tool is ended, what it had
    // printed still counts for the facts, and the job ends in a timeout.
    int limitMs = 0;
    // Each line of the tool's log as it comes (a write following its own
    // commands' reports).
    std::function<void(const QString &line, JobObserver &reporter)> onLine;
    // The run was cut short (interrupted, timed out, ended, or the tool
    // failed): what it leaves behind, told before the job's result and kept
    // in `state`. True when its log shows the flash was left whole.
    std::function<bool(JobState &state, JobObserver &reporter)> stopped;
    // After the tool exited 0: what its log (`output`) shows.
    std::function<Verdict(const QString &output, JobState &state, JobObserver &reporter)> judge;
    // After a non-zero exit: a verdict that explains it better than the exit
    // code does, when the log shows one.
    std::function<std::optional<Verdict>(const QString &output)> explainFailure;
    // Whether a run that exited 0 reached its list's last command, as its log
    // shows. A tool ended from outside may still exit 0 (Wine's taskkill ends
    // a process so), and a judge must not take such a log for a finished run.
    std::function<bool(const QString &output)> reachedEnd;
};

// The steps of the job `request` asks for.
QList<Step> jobSteps(const JobRequest &request);

// Shared by the kinds of job (jobsteps.cpp); the flash jobs' own steps are in
// flashsteps.cpp.

// A run that exited 0 after the adapter stopped answering during init: the
// job fails there, whatever the step would have made of the rest of its log.
std::optional<Verdict> adapterLostVerdict(const Step &step, const QString &output);

// The IDCODE the run's TAP line names, and its catalogue part, into `state`.
void readTapPart(const QString &output, JobState &state);

// The chain probe before a job on the board: the board must hold the part
// the file or the request names; without either, its part is taken.
Step boardPartStep(const JobRequest &request);

// DONE after a configuration, for a family whose DONE is read.
Step statusStep(const JobRequest &request);

// The part the commands are for: the one named, else the board's.
QString commandPart(const JobRequest &request, const JobState &state);

// The window's request for the job, for that part.
DownloadRequest commandLoad(const JobRequest &request, const JobState &state);

// After a configuration of `part`: the DONE check's step comes next where the
// family's DONE is read; else the job ends here, saying it was not checked.
Verdict doneCheckOrEnd(const JobRequest &request, const JobState &state, const QString &part, StepKind step,
                       JobObserver &reporter);

// An outcome of a job that ends in a configuration of `part`: what it did
// (a write that found every sector already holding the image wrote nothing).
Outcome configuredOutcome(const JobRequest &request, const JobState &state, const QString &part, OutcomeKind kind,
                          StepKind step);

} // namespace engine

#endif
