#ifndef FELDMOOR_CLI_BOARDSESSION_H
#define FELDMOOR_CLI_BOARDSESSION_H

#include "cli/jobrequest.h"

#include <QObject>
#include <QString>

#include <optional>

class JobRunner;
class QTimer;
class Reporter;
class StdinLines;

struct BoardSessionSettings {
    bool repeat = false;           // production: wait for Enter between boards
    QString recordFile;            // CSV record, empty for none
    QString fileSha256;
    std::optional<double> timeoutSeconds;  // per board
};

// Runs the job for one board, or, in production mode, for one board after
// another until q or the end of input, with a PASS/FAIL line and a record
// row per board and a summary at the end.
class BoardSession : public QObject {
    Q_OBJECT
public:
    BoardSession(JobRequest request, BoardSessionSettings settings, Reporter &reporter, QObject *parent = nullptr);

    void start();
    // Ctrl-C or a termination request: the board in progress is abandoned
    // (its tool ended first), and the session ends with `code`.
    void interrupt(int code);

signals:
    void finished(int exitCode);

private:
    void startBoard();
    void boardDone();
    void stop();
    void record(const JobRunner &runner);

    JobRequest request_;
    BoardSessionSettings settings_;
    Reporter &reporter_;
    JobRunner *runner_ = nullptr;
    QTimer *timer_ = nullptr;
    StdinLines *input_ = nullptr;
    int boards_ = 0;
    int passed_ = 0;
    int firstFailure_ = 0;
    std::optional<int> interruptedWith_;
};

#endif
