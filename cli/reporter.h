#ifndef FELDMOOR_CLI_REPORTER_H
#define FELDMOOR_CLI_REPORTER_H

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

#include <cstdio>

// Everything feldmoor-cli tells its user: the tool's log and its own notes
// on stdout, progress on stderr, failures as one line on stderr; or, with
// --json, one object per line on stdout (failures still on stderr).
class Reporter {
public:
    struct Style {
        bool quiet = false;
        bool json = false;
        bool terminal = false;  // stderr is a terminal: progress redrawn in place
    };

    explicit Reporter(Style style, FILE *out = stdout, FILE *err = stderr);

    void log(const QString &line);      // a line of the tool's output
    void note(const QString &line);     // feldmoor-cli's own information
    void progress(qint64 bytes, qint64 total);
    void restart(int attempt, int allowed, const QString &reason);
    void check(const QJsonObject &fields, const QString &text);  // fields: what the check found
    void result(int code, const QString &message, double seconds);
    // Production lines (PASS/FAIL, prompt, summary): always shown, on stderr
    // for the prompt and stdout otherwise (as "board" objects in --json).
    void boardLine(const QJsonObject &fields, const QString &text);
    void prompt(const QString &text);

    // A new run of the tool begins: progress starts again from nothing.
    void resetProgress();

private:
    void json(QJsonObject object);
    void json(QJsonObject fields, const QString &type);
    void writeOut(const QString &text);
    void endProgressLine();

    Style style_;
    FILE *out_;
    FILE *err_;
    int lastTenth_ = -1;
    int lastPercent_ = -1;
    bool progressShown_ = false;
    QElapsedTimer writeClock_;
};

#endif
