// Runs the command lists the window and feldmoor-cli compose on our OpenOCD
// simulator and on Debian's OpenOCD 0.12 against jtagboard, each on a board
// folder of its own seeded alike, and fails on any difference in the exit
// code, the flash afterwards, the FPGA's state or the lines our programs read.
//   tst_realtool FELDMOOR_CLI SIMBIT JTAGBOARD

#include "hexrecord.h"
#include "transcript.h"

#include "engine/tooloutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSkipped = 77;
constexpr qint64 kFlashSize = 16 << 20;

struct Tools {
    QString cli;
    QString simbit;
    QString board;
    QString realOpenocd;
};

// How a scenario's board starts, on both sides alike.
struct BoardSetup {
    QByteArray flash;    // empty: erased
    QByteArray fpga;     // empty: never configured
    QByteArray part;     // empty: the simulator's default part
    QStringList faults;  // fault files, as the simulator's README lists them
};

BoardSetup erasedBoard()
{
    return {};
}

BoardSetup holding(const QByteArray &flash)
{
    BoardSetup board;
    board.flash = flash;
    return board;
}

BoardSetup configuredWith(const QByteArray &fpga)
{
    BoardSetup board;
    board.fpga = fpga;
    return board;
}

BoardSetup withPart(const QByteArray &part)
{
    BoardSetup board;
    board.part = part;
    return board;
}

// A Kintex UltraScale board, with `flash` in its flash.
BoardSetup ultraScale(const QByteArray &flash = QByteArray())
{
    BoardSetup board = holding(flash);
    board.part = "xcku040";
    return board;
}

BoardSetup withFault(const QString &fault)
{
    BoardSetup board;
    board.faults << fault;
    return board;
}

// The fault files both tools read; what is left of them after a run is compared.
const QStringList kFaultFiles = {QStringLiteral("silent-reject"), QStringLiteral("fail-init"),
                                 QStringLiteral("lost-at-init")};

struct Scenario {
    QString name;
    BoardSetup board;
    QStringList cliArguments;        // a job of feldmoor-cli, its runs from --dry-run
    QList<QStringList> rawRuns;      // or openocd.exe arguments as given
    double timeScale = 0;
    bool checkSectorTimes = false;
    // The adapter stops answering during init: the real tool must go on and
    // exit 0, and our programs must call each run a failure. Only the first
    // `compareRuns` runs are compared (0: all): after it a status read prints
    // whatever memory held.
    bool adapterLost = false;
    int compareRuns = 0;
};

struct Outcome {
    int exitCode = -1;
    QString transcript;
    QByteArray flash;
    QString fpga;
    QByteArray readBack;
    QStringList faultsLeft;
    QString boardReport;
};

void say(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}

// The flash as a board folder holds it: absent means erased.
QByteArray flashOf(const QString &folder)
{
    QByteArray flash = readFile(folder + QStringLiteral("/flash.bin"));
    if (flash.size() < kFlashSize)
        flash.append(QByteArray(kFlashSize - flash.size(), char(0xff)));
    return flash;
}

// What the FPGA holds, in the words both tools' `fpga` files allow.
QString fpgaSummary(const QByteArray &text)
{
    const QString state = QString::fromUtf8(text);
    const bool proxy = state.contains(QLatin1String("design=bscan_spi"));
    if (state.contains(QLatin1String("source=jtag")))
        return proxy ? QStringLiteral("the proxy, DONE high") : QStringLiteral("configured over JTAG, DONE high");
    if (state.contains(QLatin1String("source=flash")))
        return QStringLiteral("reloaded from flash, DONE high");
    return QStringLiteral("unconfigured");
}

// The runs of a job as feldmoor-cli --dry-run prints them, in order.
QList<QStringList> jobRuns(const Tools &tools, const QStringList &arguments, const QString &bus, QString &problem)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QB562_SIM_DIR"), bus);
    process.setProcessEnvironment(environment);
    process.start(tools.cli, arguments + QStringList{QStringLiteral("--dry-run")});
    process.waitForFinished(60000);
    const QStringList out = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList err = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    static const QRegularExpression header(QStringLiteral("^feldmoor-cli: run \\d+ of \\d+, the .*?(, on stdout)?:$"));
    QList<QStringList> runs;
    bool onStdout = false;
    for (const QString &line : err) {
        const auto match = header.match(line);
        if (match.hasMatch()) {
            runs << QStringList();
            onStdout = !match.captured(1).isEmpty();
            if (onStdout) {
                for (const QString &word : out)
                    runs.last() << shellUnquoted(word);
            }
        } else if (line.startsWith(QLatin1String("  ")) && !onStdout && !runs.isEmpty()) {
            // The main run's words are on stdout; what stderr says under its
            // header is a note about how it is judged.
            runs.last() << shellUnquoted(line.mid(2));
        }
    }
    if (process.exitCode() != 0 || runs.isEmpty())
        problem = QStringLiteral("feldmoor-cli %1 --dry-run gave no runs (exit %2): %3")
                      .arg(arguments.join(QLatin1Char(' ')))
                      .arg(process.exitCode())
                      .arg(err.join(QLatin1Char('\n')));
    return runs;
}

// The file a run reads the flash into, if it does.
QString readBankTarget(const QStringList &arguments)
{
    static const QRegularExpression readBank(QStringLiteral("flash read_bank 0 (.+?) 0x"));
    for (const QString &argument : arguments) {
        const auto match = readBank.match(argument);
        if (match.hasMatch())
            return match.captured(1).remove(QLatin1Char('{')).remove(QLatin1Char('}'));
    }
    return {};
}

void seed(const QString &folder, const BoardSetup &board)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    if (!board.flash.isEmpty()) {
        QByteArray flash = board.flash;
        flash.append(QByteArray(kFlashSize - flash.size(), char(0xff)));
        writeFile(folder + QStringLiteral("/flash.bin"), flash);
    }
    if (!board.fpga.isEmpty())
        writeFile(folder + QStringLiteral("/fpga"), board.fpga);
    if (!board.part.isEmpty())
        writeFile(folder + QStringLiteral("/part"), board.part + '\n');
    for (const QString &fault : board.faults)
        writeFile(folder + QLatin1Char('/') + fault, QByteArray());
}

void collect(Outcome &outcome, const QString &folder, const QStringList &arguments, bool takeReadBack = true)
{
    outcome.flash = flashOf(folder);
    outcome.fpga = fpgaSummary(readFile(folder + QStringLiteral("/fpga")));
    for (const QString &fault : kFaultFiles) {
        if (QFileInfo::exists(folder + QLatin1Char('/') + fault))
            outcome.faultsLeft << fault;
    }
    const QString target = takeReadBack ? readBankTarget(arguments) : QString();
    if (!target.isEmpty()) {
        outcome.readBack = readFile(target);
        QFile::remove(target);
    }
}

Outcome onSimulator(const QStringList &runArguments, const QString &bus, double scale)
{
    Outcome outcome;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QB562_SIM_DIR"), bus);
    environment.insert(QStringLiteral("QB562_SIM_TIME_SCALE"), QString::number(scale));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(runArguments.first(), runArguments.mid(1));
    process.waitForFinished(300000);
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.transcript = QString::fromUtf8(process.readAll());
    collect(outcome, bus + QStringLiteral("/adapter0"), runArguments);
    return outcome;
}

// The same list for the real tool: only the adapter's line differs, and the
// bundled scripts are not pointed at.
QStringList forRealTool(const QStringList &runArguments, quint16 port)
{
    QStringList arguments;
    bool driverReplaced = false;
    for (int i = 1; i < runArguments.size(); ++i) {
        if (runArguments[i] == QLatin1String("-s") && i + 1 < runArguments.size()) {
            ++i;
            continue;
        }
        if (!driverReplaced && runArguments[i].startsWith(QLatin1String("adapter driver "))) {
            arguments << QStringLiteral("adapter driver remote_bitbang; remote_bitbang port %1;").arg(port);
            driverReplaced = true;
            continue;
        }
        arguments << runArguments[i];
    }
    return arguments;
}

// `standIn`: the run is a job's, whose program reads the file a read leaves.
Outcome onRealTool(const Tools &tools, const QStringList &runArguments, const QString &folder, double scale,
                   bool standIn = false)
{
    Outcome outcome;
    QProcess board;
    board.setProcessChannelMode(QProcess::MergedChannels);
    board.start(tools.board, {folder, QStringLiteral("--time-scale"), QString::number(scale)});
    QByteArray said;
    // A board with the fail-init fault holds its port without listening.
    static const QRegularExpression listening(
        QStringLiteral("jtagboard: (listening|refusing connections) on 127\\.0\\.0\\.1:(\\d+)"));
    QRegularExpressionMatch match;
    while (!(match = listening.match(QString::fromUtf8(said))).hasMatch() && board.waitForReadyRead(10000))
        said += board.readAll();
    if (!match.hasMatch()) {
        outcome.transcript = QStringLiteral("jtagboard did not start: ") + QString::fromUtf8(said + board.readAll());
        board.kill();
        board.waitForFinished();
        return outcome;
    }
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(tools.realOpenocd, forRealTool(runArguments, match.captured(2).toUShort()));
    tool.waitForFinished(300000);
    outcome.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    outcome.transcript = QString::fromUtf8(tool.readAll());
    // A refusing board holds its port until it is ended; a tool that failed
    // before connecting leaves a listening one waiting.
    if (match.captured(1) == QLatin1String("refusing connections") || !board.waitForFinished(3000))
        board.kill();
    board.waitForFinished();
    outcome.boardReport = QString::fromUtf8(said + board.readAll());
    collect(outcome, folder, runArguments, !standIn);
    return outcome;
}

QStringList differences(const Outcome &sim, const Outcome &real, bool checkSectorTimes)
{
    QStringList found;
    if (sim.exitCode != real.exitCode)
        found << QStringLiteral("exit code: simulator %1, OpenOCD 0.12 %2").arg(sim.exitCode).arg(real.exitCode);
    if (sim.flash != real.flash) {
        qint64 at = 0;
        while (sim.flash[at] == real.flash[at])
            ++at;
        found << QStringLiteral("flash afterwards: first difference at 0x%1").arg(at, 8, 16, QLatin1Char('0'));
    }
    if (sim.fpga != real.fpga)
        found << QStringLiteral("FPGA: simulator '%1', OpenOCD 0.12 '%2'").arg(sim.fpga, real.fpga);
    if (sim.faultsLeft != real.faultsLeft)
        found << QStringLiteral("fault files left: simulator '%1', OpenOCD 0.12 '%2'")
                     .arg(sim.faultsLeft.join(QLatin1Char(' ')), real.faultsLeft.join(QLatin1Char(' ')));
    if (sim.readBack != real.readBack)
        found << QStringLiteral("the file read from the flash differs (%1 and %2 bytes)")
                     .arg(sim.readBack.size())
                     .arg(real.readBack.size());
    const QStringList simLines = linesWeRead(sim.transcript);
    const QStringList realLines = linesWeRead(real.transcript);
    if (simLines != realLines)
        found << QStringLiteral("the lines our programs read:\n") +
                     sideBySide(QStringLiteral("simulator"), simLines.join(QLatin1Char('\n')),
                                QStringLiteral("OpenOCD 0.12"), realLines.join(QLatin1Char('\n')));
    if (checkSectorTimes) {
        const QList<int> simTimes = sectorMilliseconds(sim.transcript);
        const QList<int> realTimes = sectorMilliseconds(real.transcript);
        for (int i = 0; i < std::min(simTimes.size(), realTimes.size()); ++i) {
            if (std::abs(simTimes[i] - realTimes[i]) > 100)
                found << QStringLiteral("sector erase %1: simulator %2 ms, OpenOCD 0.12 %3 ms")
                             .arg(i)
                             .arg(simTimes[i])
                             .arg(realTimes[i]);
        }
        if (simTimes.isEmpty())
            found << QStringLiteral("no sector erase was timed");
    }
    return found;
}

// What our programs decide of the real tool's run: a run that went on past
// a lost adapter is caught where the board dropped it, and nowhere else.
QStringList lostAdapterProblems(const Outcome &real, bool lost)
{
    QStringList found;
    const bool caught = engine::adapterLostAtInit(real.transcript).has_value();
    if (lost && real.exitCode != 0)
        found << QStringLiteral("OpenOCD 0.12 exited %1 past the lost adapter, where it was only ever seen to exit 0")
                     .arg(real.exitCode);
    if (lost && !caught)
        found << QStringLiteral("our programs would not see that the adapter stopped answering during init");
    if (!lost && caught)
        found << QStringLiteral("our programs would take this run for one past a lost adapter");
    return found;
}

// Started as OpenOCD_QB562/bin/openocd.exe beside a copy of feldmoor-cli:
// runs the list on the real tool against a board of its own on the board
// folder it is given, and passes on its log and exit code.
int asOpenocd(const QStringList &args)
{
    Tools tools;
    tools.board = qEnvironmentVariable("FELDMOOR_REALTOOL_BOARD");
    tools.realOpenocd = qEnvironmentVariable("FELDMOOR_REALTOOL_OPENOCD");
    const QString folder = qEnvironmentVariable("FELDMOOR_REALTOOL_FOLDER");
    // A job with erases runs its board at its real pace: the runner takes a
    // sector erased in no time for a flash that did not erase it.
    const double scale = qEnvironmentVariableIsSet("FELDMOOR_REALTOOL_TIME_SCALE")
                             ? qEnvironmentVariable("FELDMOOR_REALTOOL_TIME_SCALE").toDouble()
                             : 0;
    const Outcome real = onRealTool(tools, args, folder, scale, true);
    std::fputs(real.transcript.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    return real.exitCode < 0 ? 1 : real.exitCode;
}

// The loader itself on the real tool, through a copy of it whose openocd.exe
// is this program: a job on a board that drops its adapter at init fails at
// the chain probe though the tool exits 0; the same job on a sound board
// passes, so the failure is not the stand-in's.
QStringList loaderOnRealTool(const Tools &tools, const QString &dir, const QString &bit)
{
    const QString home = dir + QStringLiteral("/loader");
    QDir(home).removeRecursively();
    QDir().mkpath(home + QStringLiteral("/OpenOCD_QB562/bin"));
    const QString cli = home + QStringLiteral("/feldmoor-cli");
    if (!QFile::copy(tools.cli, cli) ||
        !QFile::copy(QCoreApplication::applicationFilePath(), home + QStringLiteral("/OpenOCD_QB562/bin/openocd.exe")))
        return {QStringLiteral("could not set up the loader's copy in %1").arg(home)};
    // The last slot (USB location 1-16): adapter locks are the machine's, and
    // the other suites' loaders hold those of the first slots.
    const QString bus = dir + QStringLiteral("/loaderbus");
    const QString folder = bus + QStringLiteral("/adapter15");
    QStringList found;
    for (const bool lost : {true, false}) {
        seed(folder, lost ? withFault(QStringLiteral("lost-at-init")) : erasedBoard());
        QProcess loader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QB562_SIM_DIR"), bus);
        environment.insert(QStringLiteral("FELDMOOR_REALTOOL_BOARD"), tools.board);
        environment.insert(QStringLiteral("FELDMOOR_REALTOOL_OPENOCD"), tools.realOpenocd);
        environment.insert(QStringLiteral("FELDMOOR_REALTOOL_FOLDER"), folder);
        loader.setProcessEnvironment(environment);
        loader.start(cli, {QStringLiteral("load"), bit, QStringLiteral("--force")});
        loader.waitForFinished(120000);
        const int code = loader.exitStatus() == QProcess::NormalExit ? loader.exitCode() : -1;
        const QString err = QString::fromUtf8(loader.readAllStandardError());
        const QString out = QString::fromUtf8(loader.readAllStandardOutput());
        const bool ok = lost ? code == 1 &&
                                   err.contains(QLatin1String("the adapter stopped answering during init in the chain "
                                                              "probe (Error on socket 'remote_bitbang_fill_buf'")) &&
                                   err.contains(QLatin1String("OpenOCD went on and exited 0")) &&
                                   !out.contains(QLatin1String("loaded file"))
                             : code == 0 && (out + err).contains(QLatin1String("loaded and checked (DONE high)"));
        if (!ok)
            found << QStringLiteral("feldmoor-cli load --force on the real tool, %1: exit %2\n%3%4")
                         .arg(lost ? QStringLiteral("the adapter lost at init") : QStringLiteral("a sound board"))
                         .arg(code)
                         .arg(out, err);
    }
    return found;
}

// A .mcs of `data` at `address`, as the vendor's tools write one.
QByteArray mcsFile(const QByteArray &data, int address)
{
    QByteArray mcs;
    for (int at = 0; at < data.size(); at += 16) {
        const int absolute = address + at;
        if (at == 0 || absolute % 0x10000 == 0) {
            QByteArray upper(2, '\0');
            upper[0] = char((absolute >> 24) & 0xff);
            upper[1] = char((absolute >> 16) & 0xff);
            mcs += hexRecord(4, 0, upper);
        }
        mcs += hexRecord(0, absolute & 0xffff, data.mid(at, 16));
    }
    mcs += hexRecord(1, 0, QByteArray());
    return mcs;
}

}  // namespace

// One of the window's flash jobs, as the window composes it, on a board
// seeded as `board`.
struct WindowScenario {
    QString name;
    BoardSetup board;
    QString operation;  // windowjob's: verify, read, erase, blank, changed
    QString file;       // empty: none chosen
    bool readsBack = false;
    double realTimeScale = 0;  // the real tool's board's; 1 for a job that erases
};

struct WindowOutcome {
    int exitCode = -1;
    QStringList facts;  // what windowjob prints before the tool's log
    QStringList lines;  // the lines our programs read of that log, paths left out
    QByteArray flash;
    QString fpga;
    QByteArray readBack;
};

WindowOutcome windowJob(const QString &windowjob, const QString &appDir, const QString &bus,
                        const QProcessEnvironment &extra, const WindowScenario &scenario, const QString &target)
{
    WindowOutcome outcome;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    environment.insert(QStringLiteral("QB562_SIM_DIR"), bus);
    environment.insert(QStringLiteral("QB562_SIM_TIME_SCALE"), QStringLiteral("0"));
    environment.insert(QStringLiteral("FELDMOOR_REALTOOL_TIME_SCALE"), QString::number(scenario.realTimeScale));
    process.setProcessEnvironment(environment);
    QStringList arguments{appDir, QStringLiteral("xc7k325t"), scenario.operation,
                          scenario.file.isEmpty() ? QStringLiteral("-") : scenario.file};
    if (scenario.readsBack)
        arguments << target;
    process.start(windowjob, arguments);
    process.waitForFinished(300000);
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const qsizetype log = out.indexOf(QLatin1String("log:\n"));
    outcome.facts = out.left(log < 0 ? out.size() : log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The image's copy and the proxy lie in folders of each side's own.
    static const QRegularExpression path(QStringLiteral("(file )\\S+"));
    for (QString line : linesWeRead(log < 0 ? QString() : out.mid(log + 5)))
        outcome.lines << line.replace(path, QStringLiteral("\\1_"));
    const QString folder = bus + QStringLiteral("/adapter0");
    outcome.flash = flashOf(folder);
    outcome.fpga = fpgaSummary(readFile(folder + QStringLiteral("/fpga")));
    if (scenario.readsBack) {
        outcome.readBack = readFile(target);
        QFile::remove(target);
    }
    return outcome;
}

// The window's flash jobs on the engine's runner, once with the simulator
// and once with the real tool behind the same OpenOCD stand-in the loader's
// copy uses: the job's end, its facts, the lines read, the flash, the FPGA
// and the file read back must agree.
int windowJobsOnRealTool(const Tools &tools, const QString &windowjob, const QString &dir,
                         const QList<WindowScenario> &scenarios)
{
    const QString home = dir + QStringLiteral("/windowhome");
    QDir(home).removeRecursively();
    QDir().mkpath(home + QStringLiteral("/OpenOCD_QB562/bin"));
    const QString simHome = QFileInfo(tools.cli).absolutePath();
    if (!QFile::copy(QCoreApplication::applicationFilePath(), home + QStringLiteral("/OpenOCD_QB562/bin/openocd.exe")) ||
        !QFile::link(simHome + QStringLiteral("/FPGABit"), home + QStringLiteral("/FPGABit"))) {
        say(QStringLiteral("FAIL the window's jobs: could not set up %1").arg(home));
        return 1;
    }
    const QString simBus = dir + QStringLiteral("/windowsim");
    const QString realBus = dir + QStringLiteral("/windowreal");
    QProcessEnvironment real;
    real.insert(QStringLiteral("FELDMOOR_REALTOOL_BOARD"), tools.board);
    real.insert(QStringLiteral("FELDMOOR_REALTOOL_OPENOCD"), tools.realOpenocd);
    real.insert(QStringLiteral("FELDMOOR_REALTOOL_FOLDER"), realBus + QStringLiteral("/adapter0"));
    int failed = 0;
    for (const WindowScenario &scenario : scenarios) {
        seed(simBus + QStringLiteral("/adapter0"), scenario.board);
        seed(realBus + QStringLiteral("/adapter0"), scenario.board);
        QElapsedTimer clock;
        clock.start();
        const WindowOutcome sim = windowJob(windowjob, simHome, simBus, {}, scenario, dir + QStringLiteral("/back-sim.bin"));
        const qint64 simMs = clock.restart();
        const WindowOutcome onReal = windowJob(windowjob, home, realBus, real, scenario, dir + QStringLiteral("/back-real.bin"));
        say(QStringLiteral("  the window's %1: simulator %2 ms, OpenOCD 0.12 %3 ms").arg(scenario.name).arg(simMs).arg(clock.elapsed()));
        QStringList found;
        if (sim.exitCode != 0 || onReal.exitCode != 0)
            found << QStringLiteral("windowjob exited %1 and %2").arg(sim.exitCode).arg(onReal.exitCode);
        if (sim.facts != onReal.facts)
            found << QStringLiteral("what the job found:\n") +
                         sideBySide(QStringLiteral("simulator"), sim.facts.join(QLatin1Char('\n')),
                                    QStringLiteral("OpenOCD 0.12"), onReal.facts.join(QLatin1Char('\n')));
        if (sim.lines != onReal.lines)
            found << QStringLiteral("the lines our programs read:\n") +
                         sideBySide(QStringLiteral("simulator"), sim.lines.join(QLatin1Char('\n')),
                                    QStringLiteral("OpenOCD 0.12"), onReal.lines.join(QLatin1Char('\n')));
        if (sim.flash != onReal.flash)
            found << QStringLiteral("the flash afterwards differs");
        if (sim.fpga != onReal.fpga)
            found << QStringLiteral("FPGA: simulator '%1', OpenOCD 0.12 '%2'").arg(sim.fpga, onReal.fpga);
        if (sim.readBack != onReal.readBack || (scenario.readsBack && sim.readBack.isEmpty()))
            found << QStringLiteral("the file read back differs (%1 and %2 bytes)")
                         .arg(sim.readBack.size())
                         .arg(onReal.readBack.size());
        if (found.isEmpty()) {
            say(QStringLiteral("PASS the window's %1 (%2)").arg(scenario.name, sim.facts.join(QStringLiteral("; "))));
        } else {
            ++failed;
            say(QStringLiteral("FAIL the window's %1:\n  %2").arg(scenario.name, found.join(QStringLiteral("\n  "))));
        }
    }
    return failed;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (QFileInfo(QCoreApplication::applicationFilePath()).fileName() == QLatin1String("openocd.exe"))
        return asOpenocd(args);
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: tst_realtool FELDMOOR_CLI SIMBIT JTAGBOARD WINDOWJOB\n");
        return 2;
    }
    Tools tools{args[1], args[2], args[3], QStandardPaths::findExecutable(QStringLiteral("openocd"))};
    const bool required = !qEnvironmentVariableIsEmpty("FELDMOOR_REQUIRE_REAL_OPENOCD");
    const QByteArray version = tools.realOpenocd.isEmpty() ? QByteArray() : run(tools.realOpenocd, {QStringLiteral("--version")});
    if (!version.contains("Open On-Chip Debugger 0.12.")) {
        const QString missing = tools.realOpenocd.isEmpty()
                                    ? QStringLiteral("Debian's openocd (0.12) is not installed (apt-get install openocd)")
                                    : QStringLiteral("%1 is not OpenOCD 0.12").arg(tools.realOpenocd);
        say(required ? QStringLiteral("realtool: FAIL: %1, and FELDMOOR_REQUIRE_REAL_OPENOCD is set").arg(missing)
                     : QStringLiteral("realtool: skipped: %1").arg(missing));
        return required ? 1 : kSkipped;
    }

    QTemporaryDir work;
    const QString dir = work.path();
    auto path = [&dir](const QString &name) { return dir + QLatin1Char('/') + name; };
    int status = 0;
    auto make = [&](const QStringList &arguments) {
        int code = 0;
        const QByteArray out = run(tools.simbit, arguments, &code);
        if (code != 0) {
            say(QStringLiteral("simbit %1 failed: %2").arg(arguments.join(QLatin1Char(' ')), QString::fromUtf8(out)));
            status = 1;
        }
    };
    make({QStringLiteral("bit"), QStringLiteral("xc7k325t"), path(QStringLiteral("top.bit"))});
    make({QStringLiteral("bit"), QStringLiteral("xc7a35t"), path(QStringLiteral("other.bit"))});
    make({QStringLiteral("bin"), path(QStringLiteral("top.bin")), QStringLiteral("--size"), QStringLiteral("200000"),
          QStringLiteral("--part"), QStringLiteral("xc7k325t")});
    make({QStringLiteral("bin"), path(QStringLiteral("update.bin")), QStringLiteral("--size"), QStringLiteral("100000"),
          QStringLiteral("--seed"), QStringLiteral("7"), QStringLiteral("--part"), QStringLiteral("xc7k325t")});
    make({QStringLiteral("bin"), path(QStringLiteral("big.bin")), QStringLiteral("--size"), QStringLiteral("131072"),
          QStringLiteral("--seed"), QStringLiteral("9")});
    make({QStringLiteral("bit"), QStringLiteral("xcku040"), path(QStringLiteral("ku.bit"))});
    make({QStringLiteral("bin"), path(QStringLiteral("ku.bin")), QStringLiteral("--size"), QStringLiteral("200000"),
          QStringLiteral("--part"), QStringLiteral("xcku040")});
    make({QStringLiteral("bin"), path(QStringLiteral("kuupdate.bin")), QStringLiteral("--size"), QStringLiteral("100000"),
          QStringLiteral("--seed"), QStringLiteral("5"), QStringLiteral("--part"), QStringLiteral("xcku040")});
    make({QStringLiteral("bin"), path(QStringLiteral("a35.bin")), QStringLiteral("--size"), QStringLiteral("100000"),
          QStringLiteral("--part"), QStringLiteral("xc7a35t")});
    if (status != 0)
        return status;
    const QByteArray top = readFile(path(QStringLiteral("top.bin")));
    const QByteArray update = readFile(path(QStringLiteral("update.bin")));
    const QString oddName = path(QStringLiteral("my design [v2] $x;{a}.bin"));
    writeFile(oddName, top);
    writeFile(path(QStringLiteral("update.mcs")), mcsFile(update, 0x200000));
    QByteArray golden = top;
    golden.append(QByteArray(0x100000 - golden.size(), char(0xff)));
    QByteArray other = top;
    other[1000] = char(other[1000] ^ 0x5a);

    const QString pt = QStringLiteral("--part");
    const QString k7 = QStringLiteral("xc7k325t");
    const QString xc7 = QStringLiteral("source [find cpld/xilinx-xc7.cfg];");
    const QString spi = QStringLiteral("source [find cpld/jtagspi.cfg];");
    const QString initProxy = QStringLiteral("init; jtagspi_init 0 %1;").arg(QFileInfo(tools.cli).absolutePath() +
                                                                            QStringLiteral("/FPGABit/bscan_spi_xc7k325t.bit"));
    auto raw = [&](const QString &command) {
        return QStringList{QStringLiteral("openocd.exe"), QStringLiteral("-c"),
                           QStringLiteral("adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;"), QStringLiteral("-c"),
                           QStringLiteral("adapter speed 30000;"), QStringLiteral("-c"), xc7, QStringLiteral("-c"), spi,
                           QStringLiteral("-c"), initProxy, QStringLiteral("-c"), command, QStringLiteral("-c"),
                           QStringLiteral("exit")};
    };
    // The write run of a default flash write: the bank probed through the
    // proxy the read run before it left, else the proxy loaded.
    const QString probeProxy = QStringLiteral("init; if {[catch {flash probe 0}]} {jtagspi_init 0 %1};")
                                   .arg(QFileInfo(tools.cli).absolutePath() +
                                        QStringLiteral("/FPGABit/bscan_spi_xc7k325t.bit"));
    auto onProxy = [&](const QString &command) {
        QStringList arguments = raw(command);
        arguments[10] = probeProxy;
        return arguments;
    };
    // Sector 1 of `top` changed, and 1000 new bytes at 1 MiB, where the
    // golden image is erased.
    QByteArray sector1 = top.mid(0x10000, 0x10000);
    sector1[5] = char(sector1[5] ^ 0x5a);
    writeFile(path(QStringLiteral("s00001.bin")), sector1);
    writeFile(path(QStringLiteral("s00016.bin")), QByteArray(1000, char(0x3c)));
    const QByteArray ku = readFile(path(QStringLiteral("ku.bin")));
    QByteArray kuGolden = ku;
    kuGolden.append(QByteArray(0x100000 - kuGolden.size(), char(0xff)));
    QByteArray kuOther = ku;
    kuOther[3000] = char(kuOther[3000] ^ 0x5a);
    writeFile(path(QStringLiteral("kuupdate.mcs")), mcsFile(readFile(path(QStringLiteral("kuupdate.bin"))), 0x200000));
    const QString ku040 = QStringLiteral("xcku040");
    const QString c = QStringLiteral("-c");
    const QByteArray configured = "source=jtag\npart=xc7k325t\n";
    const QList<Scenario> scenarios = {
        {QStringLiteral("bit for the board's part"), erasedBoard(), {QStringLiteral("load"), path(QStringLiteral("top.bit"))}, {}},
        {QStringLiteral("bit for another part"), erasedBoard(), {QStringLiteral("load"), path(QStringLiteral("other.bit")), QStringLiteral("--force")}, {}},
        {QStringLiteral("bin write and reload"), erasedBoard(), {QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--full")}, {}},
        {QStringLiteral("bin with Tcl metacharacters in its path"), erasedBoard(), {QStringLiteral("load"), oddName, QStringLiteral("--full")}, {}},
        {QStringLiteral("sector write: read back, then erase_sector, write_bank and verify_bank without a proxy load"), holding(golden), {},
         {raw(QStringLiteral("flash banks")) << c << QStringLiteral("flash info 0") << c
                                             << QStringLiteral("flash read_bank 0 %1 0x0 0x40000").arg(path(QStringLiteral("back.bin"))),
          onProxy(QStringLiteral("set d %1;").arg(dir)) << c << QStringLiteral("flash erase_sector 0 1 1;") << c
              << QStringLiteral("flash write_bank 0 $d/s00001.bin 0x10000;") << c
              << QStringLiteral("flash write_bank 0 $d/s00016.bin 0x100000;") << c
              << QStringLiteral("flash verify_bank 0 %1 0x10000;").arg(path(QStringLiteral("s00001.bin"))) << c
              << QStringLiteral("flash verify_bank 0 %1 0x100000;").arg(path(QStringLiteral("s00016.bin"))) << c
              << QStringLiteral("xc7_program xc7.tap;")}},
        {QStringLiteral("sector write after a reload: the probe fails and the proxy is loaded"), holding(golden), {},
         {raw(QStringLiteral("xc7_program xc7.tap;")), onProxy(QStringLiteral("flash banks;"))}},
        {QStringLiteral("verify, contents match"), holding(top), {QStringLiteral("verify"), path(QStringLiteral("top.bin"))}, {}},
        {QStringLiteral("verify, contents differ"), holding(other), {QStringLiteral("verify"), path(QStringLiteral("top.bin"))}, {}},
        {QStringLiteral("read"), holding(top), {QStringLiteral("read"), path(QStringLiteral("out.bin")), QStringLiteral("--size"), QStringLiteral("0x40000"), pt, k7}, {}},
        {QStringLiteral("read --offset"), holding(top), {QStringLiteral("read"), path(QStringLiteral("out.bin")), QStringLiteral("--offset"), QStringLiteral("0x10000"), QStringLiteral("--size"), QStringLiteral("4096"), pt, k7}, {}},
        {QStringLiteral("erase of a range"), holding(golden), {QStringLiteral("erase"), QStringLiteral("--offset"), QStringLiteral("0x10000"), QStringLiteral("--size"), QStringLiteral("0x20000"), pt, k7}, {}},
        {QStringLiteral("erase --all"), holding(golden), {QStringLiteral("erase"), QStringLiteral("--all"), pt, k7}, {}},
        {QStringLiteral("blank-check"), holding(golden), {QStringLiteral("blank-check"), QStringLiteral("--offset"), QStringLiteral("0x100000"), QStringLiteral("--size"), QStringLiteral("0x10000"), pt, k7}, {}},
        {QStringLiteral("load --offset into a golden image"), holding(golden), {QStringLiteral("load"), path(QStringLiteral("update.bin")), QStringLiteral("--offset"), QStringLiteral("0x200000"), QStringLiteral("--full")}, {}},
        {QStringLiteral("a .mcs"), holding(golden), {QStringLiteral("load"), path(QStringLiteral("update.mcs")), QStringLiteral("--full")}, {}},
        {QStringLiteral("reload"), holding(top), {QStringLiteral("reload"), pt, k7}, {}},
        {QStringLiteral("reload of a flash without a bitstream"), holding(readFile(path(QStringLiteral("big.bin")))), {QStringLiteral("reload"), pt, k7}, {}},
        {QStringLiteral("reload of a flash whose IDCODE packet names another part"), holding(readFile(path(QStringLiteral("a35.bin")))), {QStringLiteral("reload"), pt, k7}, {}},
        {QStringLiteral("--adapter selector lines"), configuredWith(configured), {QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--adapter"), QStringLiteral("1-1")}, {}},
        {QStringLiteral("silent-reject: a .bit leaves DONE low"), withFault(QStringLiteral("silent-reject")), {QStringLiteral("load"), path(QStringLiteral("top.bit"))}, {}},
        {QStringLiteral("silent-reject: the reload after a bin write"), withFault(QStringLiteral("silent-reject")), {QStringLiteral("load"), path(QStringLiteral("top.bin")), QStringLiteral("--full")}, {}},
        {QStringLiteral("fail-init: the adapter does not answer"), withFault(QStringLiteral("fail-init")), {QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--force")}, {}},
        {QStringLiteral("lost-at-init: the adapter stops answering during init"), withFault(QStringLiteral("lost-at-init")), {QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--force")}, {}, 0, false, true, 2},
        {QStringLiteral("an empty scan chain"), withPart("none"), {QStringLiteral("load"), path(QStringLiteral("top.bit")), QStringLiteral("--force")}, {}},
        {QStringLiteral("another 7-series part on the board"), withPart("xc7a35t"), {QStringLiteral("load"), path(QStringLiteral("other.bit"))}, {}},
        {QStringLiteral("flash banks and flash info"), erasedBoard(), {}, {raw(QStringLiteral("flash banks")) << QStringLiteral("-c") << QStringLiteral("flash info 0")}},
        {QStringLiteral("write past the flash's end"), holding(golden), {}, {raw(QStringLiteral("flash write_image erase %1 0xff0000 bin").arg(path(QStringLiteral("big.bin"))))}},
        {QStringLiteral("unaligned write"), holding(golden), {}, {raw(QStringLiteral("flash write_image erase %1 0x20100 bin").arg(path(QStringLiteral("big.bin"))))}},
        {QStringLiteral("UltraScale: bit for the board's part"), ultraScale(), {QStringLiteral("load"), path(QStringLiteral("ku.bit"))}, {}},
        {QStringLiteral("UltraScale: bin write and reload"), ultraScale(), {QStringLiteral("load"), path(QStringLiteral("ku.bin")), QStringLiteral("--full")}, {}},
        {QStringLiteral("UltraScale: sector-wise write over an older image"), ultraScale(kuOther), {QStringLiteral("load"), path(QStringLiteral("ku.bin"))}, {}},
        {QStringLiteral("UltraScale: verify, contents differ"), ultraScale(kuOther), {QStringLiteral("verify"), path(QStringLiteral("ku.bin"))}, {}},
        {QStringLiteral("UltraScale: read --offset"), ultraScale(ku), {QStringLiteral("read"), path(QStringLiteral("out.bin")), QStringLiteral("--offset"), QStringLiteral("0x10000"), QStringLiteral("--size"), QStringLiteral("4096"), pt, ku040}, {}},
        {QStringLiteral("UltraScale: erase of a range"), ultraScale(kuGolden), {QStringLiteral("erase"), QStringLiteral("--offset"), QStringLiteral("0x10000"), QStringLiteral("--size"), QStringLiteral("0x10000"), pt, ku040}, {}},
        {QStringLiteral("UltraScale: blank-check"), ultraScale(kuGolden), {QStringLiteral("blank-check"), QStringLiteral("--offset"), QStringLiteral("0x100000"), QStringLiteral("--size"), QStringLiteral("0x10000"), pt, ku040}, {}},
        {QStringLiteral("UltraScale: a .mcs into a golden image"), ultraScale(kuGolden), {QStringLiteral("load"), path(QStringLiteral("kuupdate.mcs")), QStringLiteral("--full")}, {}},
        {QStringLiteral("UltraScale: reload"), ultraScale(ku), {QStringLiteral("reload"), pt, ku040}, {}},
        {QStringLiteral("sector erase times at time scale 1"), holding(golden), {}, {raw(QStringLiteral("flash erase_sector 0 2 3"))}, 1.0, true},
    };

    QElapsedTimer clock;
    clock.start();
    int lists = 0;
    int failed = 0;
    const QString simBus = path(QStringLiteral("sim"));
    const QString realFolder = path(QStringLiteral("real/adapter0"));
    for (const Scenario &scenario : scenarios) {
        QString problem;
        QList<QStringList> runs = scenario.rawRuns;
        if (!scenario.cliArguments.isEmpty()) {
            seed(simBus + QStringLiteral("/adapter0"), scenario.board);
            runs = jobRuns(tools, scenario.cliArguments, simBus, problem);
        }
        if (!problem.isEmpty()) {
            say(QStringLiteral("FAIL %1: %2").arg(scenario.name, problem));
            ++failed;
            continue;
        }
        if (scenario.compareRuns > 0)
            runs = runs.mid(0, scenario.compareRuns);
        for (QStringList &arguments : runs)
            arguments[0] = QFileInfo(tools.cli).absolutePath() + QStringLiteral("/OpenOCD_QB562/bin/openocd.exe");
        seed(simBus + QStringLiteral("/adapter0"), scenario.board);
        seed(realFolder, scenario.board);
        QStringList found;
        QString transcripts;
        for (int i = 0; i < runs.size(); ++i) {
            ++lists;
            QElapsedTimer runClock;
            runClock.start();
            const Outcome sim = onSimulator(runs[i], simBus, scenario.timeScale);
            const qint64 simMs = runClock.restart();
            const Outcome real = onRealTool(tools, runs[i], realFolder, scenario.timeScale);
            say(QStringLiteral("  %1, run %2: simulator %3 ms, OpenOCD 0.12 %4 ms")
                    .arg(scenario.name).arg(i + 1).arg(simMs).arg(runClock.elapsed()));
            const QStringList here =
                differences(sim, real, scenario.checkSectorTimes) + lostAdapterProblems(real, scenario.adapterLost);
            for (const QString &line : real.boardReport.split(QLatin1Char('\n'))) {
                if (line.contains(QLatin1String("not modelled")) || line.contains(QLatin1String("without Q")))
                    say(QStringLiteral("  %1, run %2: %3").arg(scenario.name).arg(i + 1).arg(line));
            }
            if (here.isEmpty())
                continue;
            for (const QString &difference : here)
                found << QStringLiteral("run %1 of %2: %3").arg(i + 1).arg(runs.size()).arg(difference);
            transcripts += QStringLiteral("run %1: %2\n").arg(i + 1).arg(runs[i].mid(1).join(QLatin1Char(' '))) +
                           sideBySide(QStringLiteral("simulator"), sim.transcript, QStringLiteral("OpenOCD 0.12 + jtagboard"),
                                      real.transcript);
        }
        if (found.isEmpty()) {
            say(QStringLiteral("PASS %1 (%2 runs)").arg(scenario.name).arg(runs.size()));
        } else {
            ++failed;
            say(QStringLiteral("FAIL %1:\n  %2\n%3").arg(scenario.name, found.join(QStringLiteral("\n  ")), transcripts));
        }
    }
    const QList<WindowScenario> windowScenarios = {
        {QStringLiteral("verify, contents match"), holding(top), QStringLiteral("verify"), path(QStringLiteral("top.bin"))},
        {QStringLiteral("verify, contents differ"), holding(other), QStringLiteral("verify"), path(QStringLiteral("top.bin"))},
        {QStringLiteral("read back of a file's size"), holding(top), QStringLiteral("read"), path(QStringLiteral("update.bin")), true},
        {QStringLiteral("erase of a file's sectors"), holding(golden), QStringLiteral("erase"), path(QStringLiteral("update.bin")), false, 1},
        {QStringLiteral("blank check of a .mcs's sectors"), holding(golden), QStringLiteral("blank"), path(QStringLiteral("update.mcs"))},
        {QStringLiteral("blank check, not blank"), holding(golden), QStringLiteral("blank"), path(QStringLiteral("top.bin"))},
        {QStringLiteral("changed-sectors write"), holding(other), QStringLiteral("changed"), path(QStringLiteral("top.bin")), false, 1},
    };
    failed += windowJobsOnRealTool(tools, args[4], dir, windowScenarios);
    const QStringList loader = loaderOnRealTool(tools, dir, path(QStringLiteral("top.bit")));
    if (loader.isEmpty()) {
        say(QStringLiteral("PASS feldmoor-cli on the real tool: the adapter lost at init fails the job, a sound board passes"));
    } else {
        ++failed;
        say(QStringLiteral("FAIL feldmoor-cli on the real tool:\n%1").arg(loader.join(QLatin1Char('\n'))));
    }
    say(QStringLiteral("realtool: %1 lists compared in %2 scenarios, %3 failed, %4 s")
            .arg(lists)
            .arg(scenarios.size() + windowScenarios.size())
            .arg(failed)
            .arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    return failed == 0 ? 0 : 1;
}
