#ifndef FELDMOOR_CLI_BOARDSESSION_H
#define FELDMOOR_CLI_BOARDSESSION_H

#include "engine/jobrequest.h"
#include "cli/reporter.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace engine {
class JobRunner;
struct JobOutcome;
}

namespace cli {

using namespace engine;

class ProgressBlock;
class StdinLines;

struct BoardSessionSettings {
    bool repeat = false;  // production: wait for Enter between rounds
    QString recordFile;   // CSV record, empty for none
    QString fileSha256;
};

// One board's job: its request and the label its reports carry.
struct BoardJob {
    JobRequest request;
    BoardLabel label;  // the adapter's location and serial, when known
};

// Runs a round of jobs, one per board, all at once, none waiting for
// another; in production mode round after round until q or the end of
// input, with a PASS/FAIL line and a record row per board and a summary at
// the end. With several boards, the exit status says whether all passed;
// each board's own code is in its line.
class BoardSession : public QObject {
    Q_OBJECT
public:
    BoardSession(QList<BoardJob> boards, BoardSessionSettings settings, Reporter::Style style,
                 QObject *parent = nullptr);
    ~BoardSession() override;

    void start();
    // Ctrl-C or a termination request: the jobs in progress are abandoned
    // (their tools ended first), and the session ends with `code`.
    void interrupt(int code);

signals:
    void finished(int exitCode);

private:
    struct Running {
        std::unique_ptr<Reporter> reporter;
        JobRunner *runner = nullptr;
        const BoardJob *board = nullptr;
    };

    void startRound();
    void jobDone();
    void stop();
    void record(const BoardJob &board, const JobRunner &runner);
    void reportBoard(const BoardJob &board, const JobOutcome &outcome);
    bool several() const { return boards_.size() > 1; }

    QList<BoardJob> boards_;
    BoardSessionSettings settings_;
    Reporter::Style style_;
    Reporter reporter_;
    std::vector<Running> running_;
    std::unique_ptr<ProgressBlock> block_;
    StdinLines *input_ = nullptr;
    int jobs_ = 0;
    int passed_ = 0;
    int firstFailure_ = 0;
    std::optional<int> interruptedWith_;
};

} // namespace cli

#endif
