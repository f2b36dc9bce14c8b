#ifndef FELDMOOR_CLI_REPORTER_H
#define FELDMOOR_CLI_REPORTER_H

#include "engine/jobobserver.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace cli {

using namespace engine;

class ProgressBlock;

// Which board a job's reports are about: empty for the one board of a
// single-adapter run, whose output carries no label.
struct BoardLabel {
    QString location;
    QString serial;
    bool isEmpty() const { return location.isEmpty(); }
};

// A job's result as the loader says it: the message, and what a write or an
// erase that was cut off left of the flash.
QString resultMessage(const QString &message, const std::optional<FlashLeftChanged> &flashLeft);
QString resultMessage(const JobResult &result);

// Everything feldmoor-cli tells its user about one job: the tool's log and
// its own notes on stdout, progress on stderr, failures as one line on
// stderr; or, with --json, one object per line on stdout (failures still on
// stderr).
class Reporter : public engine::JobObserver {
public:
    struct Style {
        bool quiet = false;
        bool json = false;
        bool terminal = false;  // stderr is a terminal: progress redrawn in place
    };

    // With several boards on a terminal, each job's progress is one line of
    // a shared `block`.
    explicit Reporter(Style style, BoardLabel label = {}, ProgressBlock *block = nullptr, int blockLine = 0);

    void log(const QString &line) override;   // a line of the tool's output
    void note(const QString &line);  // feldmoor-cli's own information
    void notice(const Notice &notice) override;
    void warn(const QString &line);  // on stderr, also with --json and --quiet
    void progress(qint64 bytes, qint64 total) override;
    // A new run of the tool begins: progress starts again from nothing.
    void resetProgress() override;
    void restart(const Restart &restart) override;
    void partCheck(const PartCheck &check) override;
    void doneCheck(const DoneCheck &check) override;
    void blankCheck(const BlankCheck &check) override;
    void sectorPlan(const SectorSummary &summary) override;
    void sectorWriteStopped(const SectorWriteStopped &stopped) override;
    void result(const JobResult &result) override;
    // An end the loader words itself: a refusal before any job ran, or a
    // command of its own.
    struct LoaderResult {
        int code = 0;
        QString message;
        double seconds = 0;
        std::optional<FlashLeftChanged> flashLeft;
    };
    void result(const LoaderResult &result);
    // Production lines (PASS/FAIL, summary): always shown, on stdout (as
    // "board" objects in --json); the prompt on stderr.
    void boardLine(const QJsonObject &fields, const QString &text);
    void prompt(const QString &text);

    const Style &style() const { return style_; }

private:
    void json(QJsonObject fields, const QString &type);
    void check(const QJsonObject &fields, const QString &text);
    void writeOut(const QString &text);
    void writeErr(const QString &text);
    void print(FILE *stream, const QByteArray &bytes);
    void endProgressLine();
    void finalLine(int code, const QString &message, double seconds, const std::optional<FlashLeftChanged> &flashLeft,
                   bool showLogTail);

    Style style_;
    BoardLabel label_;
    ProgressBlock *block_;
    int blockLine_;
    FILE *out_ = stdout;
    FILE *err_ = stderr;
    int lastTenth_ = -1;
    bool progressShown_ = false;
    QElapsedTimer writeClock_;
    QStringList logTail_;  // --quiet: the tool's last lines, shown when a failure points at them
};

} // namespace cli

#endif
