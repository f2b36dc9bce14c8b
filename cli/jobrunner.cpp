#include "cli/jobrunner.h"

#include "cli/adapterprobe.h"
#include "cli/exitcodes.h"
#include "cli/reporter.h"
#include "cli/terminal.h"
#include "cli/toolcommands.h"
#include "cli/tooloutput.h"

#include "download/outputchunk.h"
#include "download/partfamily.h"

#include "feldmoor/projectfacts.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

QString hex32(quint32 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

const feldmoor::PartFacts *facts(const QString &part)
{
    return feldmoor::findPart(part.toLatin1().constData());
}

// Two names for the same silicon ("xc7k325t-debug" is an xc7k325t).
bool sameDevice(const feldmoor::PartFacts *a, const feldmoor::PartFacts *b)
{
    return a && b && (a->idcode & a->idcodeMask & b->idcodeMask) == (b->idcode & a->idcodeMask & b->idcodeMask);
}

QString familyName(const QString &part)
{
    const QString prefix = partFamily(part).prefix;
    if (prefix == QLatin1String("xc6"))
        return QStringLiteral("Spartan-6");
    if (prefix == QLatin1String("xc3"))
        return QStringLiteral("Spartan-3");
    return part;
}

} // namespace

JobRunner::JobRunner(JobRequest request, Reporter &reporter, QObject *parent)
    : QObject(parent), request_(std::move(request)), reporter_(reporter)
{
}

void JobRunner::start()
{
    clock_.start();
    if (presentAdapters().isEmpty()) {
        finish(exitcode::kNoAdapter,
               QStringLiteral("no QB562 adapter is attached: plug one in ('feldmoor-cli adapters' lists them)"));
        return;
    }
    runTool(Stage::Detect, composeDetectCommand(request_.applicationDir, request_.clockText));
}

void JobRunner::abort(int code, const QString &message)
{
    if (done_)
        return;
    if (process_ && process_->state() != QProcess::NotRunning) {
        endPending_ = std::make_pair(code, message);
        restartPending_ = false;
        process_->kill();
        return;
    }
    finish(code, message);
}

QString JobRunner::stageName() const
{
    switch (stage_) {
    case Stage::Detect:
        return QStringLiteral("the chain probe");
    case Stage::Load:
        return request_.kind == FileKind::Bit ? QStringLiteral("the load") : QStringLiteral("the flash write");
    case Stage::ReadStatus:
        return QStringLiteral("the status read");
    case Stage::Verify:
        return QStringLiteral("the flash verify");
    }
    return QString();
}

void JobRunner::runTool(Stage stage, const DownloadCommand &command)
{
    stage_ = stage;
    stageText_.clear();
    if (!QFileInfo(command.program).isFile()) {
        finish(exitcode::kToolMissing, QLatin1String("OpenOCD is missing: ") + command.program +
                                           QLatin1String(" does not exist; install the QB562 build of OpenOCD there"));
        return;
    }
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    detachChildFromConsoleInterrupts(*process_);
    connect(process_, &QProcess::readyReadStandardOutput, this, &JobRunner::onOutput);
    connect(process_, &QProcess::finished, this, &JobRunner::onToolFinished);
    connect(process_, &QProcess::errorOccurred, this, &JobRunner::onToolError);
    process_->start(command.program, command.arguments, QIODevice::ReadOnly);
}

void JobRunner::onOutput()
{
    if (!process_)
        return;
    // One read is one chunk, judged whole, as the window judges it.
    const QByteArray chunk = process_->readAllStandardOutput();
    if (chunk.isEmpty())
        return;
    if (stage_ == Stage::Load && isEraseRestartChunk(chunk) && !restartPending_ && !endPending_) {
        const QString reason = QStringLiteral("a flash sector erase took under 10 ms (") + chunkLogText(chunk) +
                               QLatin1Char(')');
        if (outcome_.restarts < request_.retries) {
            restartPending_ = true;
            reporter_.restart(outcome_.restarts + 1, request_.retries, reason);
        } else {
            endPending_ = std::make_pair(
                exitcode::kTooManyRestarts,
                QStringLiteral("%1 after %2 restarts: the flash keeps finishing erases too fast; check the flash "
                               "chip and its write protection, or raise --retries")
                    .arg(reason)
                    .arg(outcome_.restarts));
        }
        process_->kill();
    }
    if (stage_ == Stage::Load && isProgressChunk(chunk)) {
        reporter_.progress(progressBytes(chunk), request_.fileSize);
        return;
    }
    for (const QString &line : chunkLines(chunk)) {
        reporter_.log(line);
        stageText_ += line + QLatin1Char('\n');
    }
}

void JobRunner::onToolError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || !process_)
        return;
    const QString program = process_->program();
    const QString why = process_->errorString();
    process_->deleteLater();
    process_ = nullptr;
    if (endPending_) {
        finish(endPending_->first, endPending_->second);
        return;
    }
    finish(exitcode::kToolMissing,
           QLatin1String("OpenOCD could not be started (") + program + QLatin1String(": ") + why +
               QLatin1String("); check that it is the QB562 build and may be run"));
}

void JobRunner::onToolFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!process_)
        return;
    onOutput();
    process_->deleteLater();
    process_ = nullptr;
    if (endPending_) {
        finish(endPending_->first, endPending_->second);
        return;
    }
    if (restartPending_) {
        restartPending_ = false;
        ++outcome_.restarts;
        reporter_.resetProgress();
        startMainRun();
        return;
    }
    if (status != QProcess::NormalExit || exitCode != 0) {
        const QString how = status != QProcess::NormalExit ? QStringLiteral("crashed")
                                                           : QStringLiteral("exited with code %1").arg(exitCode);
        if (stage_ == Stage::Verify && stageText_.contains(QLatin1String("contents differ"))) {
            finish(exitcode::kToolFailed, QLatin1String("the flash differs from ") + request_.filePath +
                                              QLatin1String(": write it with 'feldmoor-cli load'"));
            return;
        }
        finish(exitcode::kToolFailed, QLatin1String("OpenOCD ") + how + QLatin1String(" during ") + stageName() +
                                          QLatin1String(": see its log above"));
        return;
    }
    switch (stage_) {
    case Stage::Detect:
        afterDetect();
        break;
    case Stage::Load:
        afterLoad();
        break;
    case Stage::ReadStatus:
        afterReadStatus();
        break;
    case Stage::Verify:
        finish(exitcode::kOk, QLatin1String("the flash holds ") + request_.filePath + QLatin1String(" (contents match)"));
        break;
    }
}

void JobRunner::afterDetect()
{
    const std::optional<quint32> idcode = tapFoundIdcode(stageText_);
    outcome_.boardIdcode = idcode;
    const feldmoor::PartFacts *board = idcode ? feldmoor::findPartByIdcode(*idcode) : nullptr;
    if (board)
        outcome_.boardPart = QLatin1String(board->name);
    const QString found = !idcode ? QStringLiteral("nothing (the JTAG chain is empty)")
                          : board ? QStringLiteral("%1 (IDCODE %2)").arg(outcome_.boardPart, hex32(*idcode))
                                  : QStringLiteral("IDCODE %1, which is not in the catalogue").arg(hex32(*idcode));

    if (request_.mode == JobRequest::Mode::Detect) {
        if (!idcode) {
            finish(exitcode::kPartMismatch, QStringLiteral("the JTAG chain is empty: no FPGA answered; check the "
                                                           "cable, the board's power and its JTAG header"));
        } else if (!board) {
            finish(exitcode::kPartMismatch,
                   QStringLiteral("the FPGA answered with IDCODE %1, which is not in the catalogue "
                                  "('feldmoor-cli parts' lists it)")
                       .arg(hex32(*idcode)));
        } else {
            finish(exitcode::kOk, QStringLiteral("%1  IDCODE %2  IR length %3")
                                      .arg(outcome_.boardPart, hex32(*idcode))
                                      .arg(board->irLength));
        }
        return;
    }

    const feldmoor::PartFacts *expected = facts(request_.expectedPart);
    const feldmoor::PartFacts *named = facts(request_.partName);
    const bool matches = sameDevice(board, expected) && sameDevice(board, named);
    QJsonObject fields{{QStringLiteral("check"), QStringLiteral("part")},
                       {QStringLiteral("ok"), matches},
                       {QStringLiteral("board"), outcome_.boardPart},
                       {QStringLiteral("expected"), request_.expectedPart},
                       {QStringLiteral("from"), request_.claimSource}};
    if (idcode)
        fields.insert(QStringLiteral("idcode"), hex32(*idcode));
    if (matches) {
        reporter_.check(fields, QStringLiteral("part check passed: the board holds %1, as %2 says")
                                    .arg(found, request_.claimSource));
        startMainRun();
        return;
    }
    QString wanted = request_.expectedPart + QLatin1String(" (") + request_.claimSource + QLatin1Char(')');
    if (!sameDevice(expected, named))
        wanted += QLatin1String(", but the commands would be for ") + request_.partName + QLatin1String(" (--part)");
    const QString message = QLatin1String("part mismatch: the board holds ") + found + QLatin1String(", the file is for ") +
                            wanted;
    reporter_.check(fields, message);
    if (!request_.force) {
        finish(exitcode::kPartMismatch, message + (request_.mode == JobRequest::Mode::Verify
                                                       ? QLatin1String("; compare with the file made for this board")
                                                       : QLatin1String("; use the file made for this board, or --force")));
        return;
    }
    reporter_.note(QStringLiteral("going on despite the mismatch (--force)"));
    startMainRun();
}

void JobRunner::startMainRun()
{
    if (request_.mode == JobRequest::Mode::Verify) {
        runTool(Stage::Verify, composeVerifyCommand(request_.applicationDir, request_.partName, request_.clockText,
                                                    request_.filePath));
        return;
    }
    runTool(Stage::Load, composeDownloadCommand(downloadRequest(request_)));
}

void JobRunner::afterLoad()
{
    const QString part = outcome_.boardPart.isEmpty() ? request_.partName : outcome_.boardPart;
    if (partFamily(part).prefix != QLatin1String("xc7")) {
        const QString family = familyName(part);
        reporter_.check({{QStringLiteral("check"), QStringLiteral("done")},
                         {QStringLiteral("ok"), QJsonValue::Null},
                         {QStringLiteral("family"), family}},
                        QLatin1String("DONE not checked for ") + family);
        const QLatin1String done = request_.kind == FileKind::Bit ? QLatin1String("loaded ")
                                                                   : QLatin1String("wrote and reloaded ");
        finish(exitcode::kOk, done + request_.filePath + QLatin1String(" into ") + part +
                                  QLatin1String(" (DONE not checked for ") + family + QLatin1Char(')'));
        return;
    }
    runTool(Stage::ReadStatus, composeReadStatusCommand(request_.applicationDir, request_.partName, request_.clockText));
}

void JobRunner::afterReadStatus()
{
    const std::optional<quint32> status = statusRegisterValue(stageText_);
    if (!status) {
        finish(exitcode::kToolFailed, QStringLiteral("the status read printed no status register, so DONE is "
                                                     "unknown; see the log above"));
        return;
    }
    const bool done = (*status & kSevenSeriesDoneBit) != 0;
    reporter_.check({{QStringLiteral("check"), QStringLiteral("done")},
                     {QStringLiteral("ok"), done},
                     {QStringLiteral("status"), hex32(*status)}},
                    QStringLiteral("DONE is %1 (status register %2)").arg(done ? "high" : "low", hex32(*status)));
    const QString part = outcome_.boardPart.isEmpty() ? request_.partName : outcome_.boardPart;
    if (done) {
        finish(exitcode::kOk, QStringLiteral("%1 %2 into %3: loaded and checked (DONE high)")
                                  .arg(request_.kind == FileKind::Bit ? "loaded" : "wrote and reloaded",
                                       request_.filePath, part));
        return;
    }
    finish(exitcode::kDoneLow,
           request_.kind == FileKind::Bit
               ? QStringLiteral("DONE stayed low after loading %1 (status %2): the FPGA rejected the configuration; "
                                "check that the file is intact and made for %3")
                     .arg(request_.filePath, hex32(*status), part)
               : QStringLiteral("DONE stayed low after the reload from flash (status %1): the image written from %2 "
                                "did not configure the %3; check that it is intact and made for this part")
                     .arg(hex32(*status), request_.filePath, part));
}

void JobRunner::finish(int code, const QString &message)
{
    if (done_)
        return;
    done_ = true;
    outcome_.code = code;
    outcome_.message = message;
    outcome_.seconds = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0;
    reporter_.result(code, message, outcome_.seconds);
    emit finished();
}
