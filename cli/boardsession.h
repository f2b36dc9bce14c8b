#ifndef FELDMOOR_CLI_BOARDSESSION_H
#define FELDMOOR_CLI_BOARDSESSION_H

#include "engine/jobrequest.h"
#include "engine/jobsteps.h"
#include "cli/loadplan.h"
#include "cli/reporter.h"
#include "cli/serialsupply.h"

#include "adapter/attachedadapters.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace engine {
class AdapterLocks;
class JobRunner;
}

namespace cli {

using namespace engine;

class BoardRecorder;
class ProgressBlock;
class StdinLines;

struct BoardSessionSettings {
    bool repeat = false;  // production: wait for Enter between rounds
    BoardRecorder *recorder = nullptr;  // where each board's row goes, none for no record
    QString station;                    // named in a database record's rows
    SerialSupply *serials = nullptr;    // each board's serial number, none without --serial-number
    // Where each tool is noted beside its adapter's lock.
    AdapterLocks *locks = nullptr;
    // The job's file read and checked again for a later round (the first
    // round's plan is given); empty for a job without a file.
    std::function<LoadPlan()> replan;
};

// One board: the adapter it is on and the label its reports carry.
struct BoardJob {
    AdapterSelection selection;
    BoardLabel label;  // the adapter's location and serial, when known
    // The adapter chosen at the session's start; nothing when none was
    // attached.
    std::optional<feldmoor::AdapterIdentity> identity;
    // Taken as the one attached adapter, without --adapter: a later round
    // with several attached is refused, as the first would have been.
    bool byDefault = false;
};

// Runs a round of jobs, one per board, all at once, none waiting for
// another; in production mode round after round until q, the end of input
// or Ctrl-C at the prompt, with a PASS/FAIL line and a record row per board
// and a summary at the end. A session of several boards or rounds exits 10
// when any board failed, else 0; each board's own code is in its line. A
// single job exits with its own code.
class BoardSession : public QObject {
    Q_OBJECT
public:
    BoardSession(QList<BoardJob> boards, LoadPlan plan, BoardSessionSettings settings, Reporter::Style style,
                 QObject *parent = nullptr);
    ~BoardSession() override;

    void start();
    // Ctrl-C, a termination request or a hang-up: the jobs in progress are
    // abandoned (their tools ended first), and the session ends with `code`.
    // At the prompt between boards it ends the session as q does.
    void interrupt(int code);

signals:
    void finished(int exitCode);

private:
    struct Running {
        std::unique_ptr<Reporter> reporter;
        JobRunner *runner = nullptr;
        const BoardJob *board = nullptr;
        // The loader refused the board's job before it ran: its code and why.
        std::optional<std::pair<int, QString>> refusal;
        bool done() const;
        std::optional<DrawnSerial> serial;
    };
    // How a board's job ended, as the loader says it.
    struct BoardEnd {
        int code = 0;
        QString message;
        double seconds = 0;
        int restarts = 0;
        JobState found;
    };
    static BoardEnd boardEnd(const Running &job);

    void startRound();
    std::optional<std::pair<int, QString>> roundRefusal(const BoardJob &board,
                                                        const std::vector<feldmoor::AdapterIdentity> &attached) const;
    void jobDone();
    void stop();
    bool record(const Running &job, const BoardEnd &end);
    bool settleSerial(const Running &job, const BoardEnd &end);
    void reportBoard(const BoardJob &board, const BoardEnd &end);
    bool several() const { return boards_.size() > 1; }
    bool isSession() const { return settings_.repeat || several(); }

    QList<BoardJob> boards_;
    LoadPlan plan_;
    QString fileSha256_;
    BoardSessionSettings settings_;
    Reporter::Style style_;
    Reporter reporter_;
    std::vector<Running> running_;
    std::unique_ptr<ProgressBlock> block_;
    StdinLines *input_ = nullptr;
    int rounds_ = 0;
    int jobs_ = 0;
    int passed_ = 0;
    int firstFailure_ = 0;
    bool recordFailed_ = false;
    bool journaled_ = false;  // rows wait in the journal for the database
    bool poolEmpty_ = false;
    bool stopped_ = false;
    std::optional<int> interruptedWith_;
};

} // namespace cli

#endif
