#include "cli/boardsession.h"

#include "cli/boardrecord.h"
#include "cli/exitcodes.h"
#include "cli/jobrunner.h"
#include "cli/reporter.h"
#include "cli/stdinlines.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSysInfo>
#include <QTimer>

BoardSession::BoardSession(JobRequest request, BoardSessionSettings settings, Reporter &reporter, QObject *parent)
    : QObject(parent), request_(std::move(request)), settings_(std::move(settings)), reporter_(reporter)
{
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (runner_)
            runner_->abort(exitcode::kTimeout,
                           QStringLiteral("timed out after %1 s (--timeout); the tool was ended")
                               .arg(*settings_.timeoutSeconds));
    });
    input_ = new StdinLines(this);
    connect(input_, &StdinLines::lineRead, this, [this](const QString &line) {
        if (line.compare(QLatin1String("q"), Qt::CaseInsensitive) == 0)
            stop();
        else
            startBoard();
    });
    connect(input_, &StdinLines::endOfInput, this, &BoardSession::stop);
}

void BoardSession::start()
{
    startBoard();
}

void BoardSession::startBoard()
{
    if (interruptedWith_)
        return;
    ++boards_;
    runner_ = new JobRunner(request_, reporter_, this);
    connect(runner_, &JobRunner::finished, this, &BoardSession::boardDone);
    if (settings_.timeoutSeconds)
        timer_->start(static_cast<int>(*settings_.timeoutSeconds * 1000));
    runner_->start();
}

void BoardSession::interrupt(int code)
{
    if (interruptedWith_)
        return;
    interruptedWith_ = code;
    const QString message = code == exitcode::kInterrupted ? QStringLiteral("interrupted (Ctrl-C); the tool was ended")
                                                           : QStringLiteral("terminated; the tool was ended");
    if (runner_)
        runner_->abort(code, message);
    else
        stop();
}

void BoardSession::boardDone()
{
    timer_->stop();
    JobRunner *runner = runner_;
    runner_ = nullptr;
    runner->deleteLater();
    const JobOutcome &outcome = runner->outcome();
    if (outcome.code == exitcode::kOk)
        ++passed_;
    else if (firstFailure_ == 0)
        firstFailure_ = outcome.code;
    if (!settings_.recordFile.isEmpty())
        record(*runner);
    if (!settings_.repeat || interruptedWith_) {
        stop();
        return;
    }
    const bool pass = outcome.code == exitcode::kOk;
    reporter_.boardLine({{QStringLiteral("board"), boards_},
                         {QStringLiteral("pass"), pass},
                         {QStringLiteral("code"), outcome.code},
                         {QStringLiteral("seconds"), qRound(outcome.seconds * 10) / 10.0},
                         {QStringLiteral("reason"), outcome.message}},
                        QStringLiteral("%1 board %2  %3 s  %4")
                            .arg(pass ? "PASS" : "FAIL")
                            .arg(boards_)
                            .arg(outcome.seconds, 0, 'f', 1)
                            .arg(outcome.message));
    reporter_.prompt(QStringLiteral("Next board: connect it and press Enter (q or end of input stops)"));
    input_->requestLine();
}

void BoardSession::record(const JobRunner &runner)
{
    const JobOutcome &outcome = runner.outcome();
    const QStringList fields = {
        QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc()).toString(Qt::ISODate),
        QSysInfo::machineHostName(),
        request_.filePath,
        settings_.fileSha256,
        outcome.boardPart,
        outcome.boardIdcode ? QStringLiteral("0x%1").arg(*outcome.boardIdcode, 8, 16, QLatin1Char('0')) : QString(),
        request_.kind == FileKind::Bit ? QStringLiteral("bit") : QStringLiteral("bin"),
        outcome.code == exitcode::kOk ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
        QString::number(outcome.code),
        QString::number(outcome.seconds, 'f', 1),
        QString::number(outcome.restarts)};
    QString error;
    if (!appendBoardRecord(settings_.recordFile, fields, error))
        reporter_.prompt(QLatin1String("feldmoor-cli: error: can't append to ") + settings_.recordFile +
                         QLatin1String(": ") + error);
}

void BoardSession::stop()
{
    int code = interruptedWith_ ? *interruptedWith_ : firstFailure_;
    if (settings_.repeat) {
        const int failed = boards_ - passed_;
        reporter_.boardLine({{QStringLiteral("summary"), true},
                             {QStringLiteral("boards"), boards_},
                             {QStringLiteral("passed"), passed_},
                             {QStringLiteral("failed"), failed}},
                            QStringLiteral("%1 %2: %3 passed, %4 failed")
                                .arg(boards_)
                                .arg(boards_ == 1 ? "board" : "boards")
                                .arg(passed_)
                                .arg(failed));
    }
    emit finished(code);
}
