#include "app/widget.h"
#include "ui_widget.h"

#include "app/checkfacts.h"
#include "download/completionmessage.h"
#include "download/killcommand.h"
#include "download/partfamily.h"
#include "engine/adapterlock.h"
#include "engine/bytecount.h"
#include "engine/imagefile.h"
#include "engine/jobsteps.h"
#include "engine/stepinplace.h"
#include "engine/toolrun.h"
#include "engine/tooloutput.h"

#include "feldmoor/projectfacts.h"

#include <QFile>
#include <QProcess>

namespace {

class CompletionScope
{
public:
    explicit CompletionScope(int &depth) : depth(depth) { ++depth; }
    ~CompletionScope() { --depth; }
    CompletionScope(const CompletionScope &) = delete;
    CompletionScope &operator=(const CompletionScope &) = delete;

private:
    int &depth;
};

// The catalogue part a .bit's header names; empty when it names none.
QString bitPart(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const std::optional<QString> field = engine::bitFilePart(file.readAll());
    return field ? engine::cataloguePartOfBitField(*field) : QString();
}

// The catalogue part the run's TAP line names; empty when none.
QString tapPart(const QString &output)
{
    const std::optional<quint32> idcode = engine::tapFoundIdcode(output);
    const feldmoor::PartFacts *part = idcode ? feldmoor::findPartByIdcode(*idcode) : nullptr;
    return part ? QLatin1String(part->name) : QString();
}

} // namespace

QString Widget::checkRunEnd(QStringList &lines)
{
    const DownloadRequest &request = runningRequest;
    // The tool goes on past an adapter that stopped answering during init
    // and exits 0: nothing was done on the board, whatever the later lines
    // say ("loaded file" among them).
    if (const std::optional<engine::AdapterLost> lost = engine::adapterLostAtInit(runOutput)) {
        return lost->error.isEmpty() ? tr("下载失败 (适配器在 init 时停止应答, 板上什么也没做)")
                                     : tr("下载失败 (适配器在 init 时停止应答, 板上什么也没做: %1)").arg(lost->error);
    }
    if (request.kind == FileKind::Bin) {
        if (const std::optional<engine::ImageCutShort> cut = engine::imageCutShort(runOutput)) {
            const std::optional<quint64> held = cut->heldFrom(0);
            return held ? tr("下载失败 (文件放不下: flash 只装下了文件 %1 字节中的前 %2 字节)")
                              .arg(downloadFileSize)
                              .arg(*held)
                        : tr("下载失败 (文件放不下: flash 只装下了文件的开头)");
        }
    }

    const PartFamily family = partFamily(request.partName);
    if (!family.doneReadable()) {
        lines << tr("未检查 DONE (%1 的 DONE 不读取)").arg(family.name());
        return QString();
    }
    // Nothing to ask once the adapter is gone: its warning follows.
    if (!deviceConnected.load(std::memory_order_relaxed))
        return QString();

    engine::JobRequest job;
    job.load = request;
    job.adapter = runningAdapter;
    job.sourceFile = request.filePath;
    engine::Step status = engine::statusStep(job);
    engine::JobState state;
    CheckFacts facts;
    engine::runStepInPlace(status, state, facts, processWaitMs);
    if (!state.status) {
        lines << tr("状态读取没有给出状态寄存器, DONE 未知");
        return QString();
    }
    const QString value = engine::hex32(*state.status);
    if (engine::statusFromEmptyChain(*state.status))
        return tr("下载失败 (状态寄存器读出 %1: JTAG 链上没有器件应答, FPGA 没有配置)").arg(value);
    if (facts.done && facts.done->high.value_or(false))
        return QString();
    if (request.kind == FileKind::Bin)
        return tr("下载失败 (flash 中已是该文件, 但 FPGA 没有从它启动: DONE 为低, 状态寄存器 %1)").arg(value);
    const QString board = tapPart(runOutput);
    const QString file = bitPart(request.filePath);
    if (!board.isEmpty() && !file.isEmpty() && board != file)
        return tr("下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1; 板上的 FPGA 是 %2, 文件是为 %3 生成的)")
            .arg(value, board, file);
    return tr("下载失败 (FPGA 没有接受配置: DONE 为低, 状态寄存器 %1)").arg(value);
}

void Widget::softFinished()
{
    const CompletionScope scope(completionDepth);

    // End every programming tool on the machine, not only ours: a stray one
    // would hold the adapter and make the next run fail. A live loader's are
    // spared: it ends them itself, and one cut off would leave its board's
    // flash half written.
    const KillCommand command = openocdKillCommand(engine::sparedLoaderTools());
    if (!command.program.isEmpty()) {
        QProcess *killer = new QProcess;
        killer->start(command.program, command.arguments, QIODeviceBase::ReadWrite);
        killer->waitForStarted(processWaitMs);
        killer->waitForFinished(processWaitMs);
        killer->close();
        delete killer;
    }

    // When a restart aborted the run, its end is delivered here, nested, and
    // never later against the run that follows.
    downloadProcess->waitForFinished(processWaitMs);
    downloadProcess->close();

    const QProcess::ExitStatus status = downloadProcess->exitStatus();
    const int code = downloadProcess->exitCode();
    QString message = completionMessage(runningKind, status, code);
    if (!stopReason.isEmpty()) {
        message = stopReason;
    } else if (status == QProcess::NormalExit && code == 0 && !tearingDown && !restarting) {
        // The tool exits 0 after a configuration the FPGA rejected, and
        // after a write that did not fit: only the checks tell.
        QStringList lines;
        const QString failure = checkRunEnd(lines);
        for (const QString &line : lines)
            ui->plainTextEdit->appendPlainText(line);
        if (!failure.isEmpty())
            message = failure;
    }
    ui->plainTextEdit->appendPlainText(message);

    // A window being torn down neither resets nor warns nor starts a run.
    if (!tearingDown)
        on_pB_download_clicked();
}
