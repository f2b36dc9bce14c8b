#ifndef FELDMOOR_BENCH_BENCHWINDOW_H
#define FELDMOOR_BENCH_BENCHWINDOW_H

#include "feedplan.h"

#include <QString>

#include <memory>
#include <string>

class QPlainTextEdit;
class QProcess;
class QProgressBar;
class QPushButton;
class Widget;

// The window as the benchmark drives it: shown (offscreen), with a BIN image
// of progressImageBytes selected, so that progress reports move a visible bar
// and log lines land in a visible pane, as a user would have it.
class BenchWindow
{
public:
    // The adapter bus must already be in the environment.
    explicit BenchWindow(const QString &imagePath);
    ~BenchWindow();
    BenchWindow(const BenchWindow &) = delete;
    BenchWindow &operator=(const BenchWindow &) = delete;

    // Empty when the window can run the benchmark; otherwise why not.
    QString problem() const;

    // Presses the download button with the stand-in following `plan` and
    // returns once the window is idle again; false if that took longer than
    // `limitMs`.
    bool run(const FeedPlan &plan, int limitMs);
    // Whether the last run's stand-in ended by itself with code 0. Any run
    // elsewhere on the machine may kill it halfway (every run's end kills
    // all processes of its name).
    bool childExitedCleanly() const;
    // How it ended, for the report: "exit code N" or "killed or crashed".
    std::string childEnding() const;

    // Shown, the bar repaints as each report moves it; hidden, it does not.
    void setShown(bool shown);

    QProcess *process() const;
    QPlainTextEdit *pane() const;
    QProgressBar *bar() const;
    QPushButton *button() const;

private:
    bool waitForIdle(int limitMs);

    std::unique_ptr<Widget> window;
};

#endif
