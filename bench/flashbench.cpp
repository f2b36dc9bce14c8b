// The window's flash operations against the loader's on the same simulated
// board, at the simulator's modelled speed (time scale 1), one run of each:
//  - verify and read back of a 16 MiB flash, against feldmoor-cli verify and
//    read (target: within 5 %);
//  - the "BIN" job with 只写入变化的扇区 checked, of a 16 MiB and a 4 MiB image
//    the flash already holds (target: at most 0.25x the job's full write of
//    the same image) and of the 4 MiB image with one sector changed (target:
//    at most 0.3x).
// Usage: feldmoor_flashbench. It runs from build/bin, beside the tools, and
// its window ends every openocd.exe when a "BIN" job ends: run it alone, in
// its own PID namespace as the suites are. Takes about four minutes.

#include "app/widget.h"
#include "eventwait.h"
#include "modalanswer.h"
#include "windowinternals.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int kWaitMs = 600000;

struct Board {
    QString folder;
    QString flashFile() const { return folder + "/flash.bin"; }
};

bool copyOver(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString lastLogLine(Widget &window)
{
    const QStringList lines = window.findChild<QPlainTextEdit *>("plainTextEdit")->toPlainText().split('\n');
    return lines.isEmpty() ? QString() : lines.last();
}

std::unique_ptr<Widget> freshWindow(const QString &file, int kind)
{
    auto window = std::make_unique<Widget>();
    window->findChild<QComboBox *>("cbB_FPGAType")->setCurrentText("xc7k325t");
    window->findChild<QComboBox *>("cbB_fileType")->setCurrentIndex(kind);
    window->findChild<QLineEdit *>("lE_downloadFile")->setText(file);
    return window;
}

QAction *menuEntry(Widget &window, const QString &text)
{
    for (QAction *action : window.findChild<QPushButton *>("pB_flash")->menu()->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Seconds from the menu entry (or the download button) to the window idle.
double timed(Widget &window, const std::function<void()> &start)
{
    QElapsedTimer clock;
    clock.start();
    start();
    runEventLoopUntil([&] { return !WindowInternals::isDownloading(window); }, kWaitMs);
    return clock.nsecsElapsed() / 1e9;
}

double windowOperation(const QString &entry, const QString &file, const QString &target, QString &line)
{
    std::unique_ptr<Widget> window = freshWindow(file, 1);
    QString startDir;
    if (!target.isEmpty())
        answerNextFileDialog(startDir, target);
    const double seconds = timed(*window, [&] { menuEntry(*window, entry)->trigger(); });
    line = lastLogLine(*window);
    return seconds;
}

double windowBinJob(const QString &file, bool changedSectorsOnly, QString &line)
{
    std::unique_ptr<Widget> window = freshWindow(file, 1);
    menuEntry(*window, "只写入变化的扇区")->setChecked(changedSectorsOnly);
    const double seconds = timed(*window, [&] { window->findChild<QPushButton *>("pB_download")->click(); });
    line = lastLogLine(*window);
    return seconds;
}

double loader(const QStringList &arguments, int &code)
{
    QElapsedTimer clock;
    clock.start();
    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + "/feldmoor-cli", arguments + QStringList{"--quiet"});
    cli.waitForFinished(kWaitMs);
    code = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    return clock.nsecsElapsed() / 1e9;
}

void report(const char *what, double window, double cli, const QString &line, int code)
{
    std::printf("%s: window %.2f s, feldmoor-cli %.2f s: %+.1f %% (target within 5 %%)\n", what, window, cli,
                (window / cli - 1) * 100);
    std::printf("  the window's last line: %s; the loader exited %d\n", qPrintable(line), code);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir world;
    qputenv("QB562_SIM_DIR", (world.path() + "/bus").toLocal8Bit());
    qputenv("QB562_SIM_TIME_SCALE", "1");
    QDir(world.path()).mkpath("bus/adapter0");
    const Board board{world.path() + "/bus/adapter0"};
    QApplication app(argc, argv);
    // The window's settings in this run's folder, not the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, world.path() + "/settings");
    const QString dir = QCoreApplication::applicationDirPath();
    const QString big = world.path() + "/big.bin";
    const QString four = world.path() + "/four.bin";
    const QString changed = world.path() + "/changed.bin";
    QProcess::execute(dir + "/simbit", {"bin", big, "--size", "16777216", "--part", "xc7k325t", "--seed", "5"});
    QProcess::execute(dir + "/simbit", {"bin", four, "--size", "4194304", "--part", "xc7k325t", "--seed", "6"});
    QByteArray image = contents(four);
    // One changed byte in sector 40.
    image[40 * 65536 + 17] = char(image[40 * 65536 + 17] ^ 0x55);
    QFile out(changed);
    if (image.size() != 4194304 || !out.open(QIODevice::WriteOnly) || out.write(image) != image.size()) {
        std::fprintf(stderr, "feldmoor_flashbench: could not make the images in %s\n", qPrintable(world.path()));
        return 1;
    }
    out.close();
    // The clock the window starts with, for both.
    const QString clock = freshWindow(QString(), 1)->findChild<QComboBox *>("cbB_clock")->currentText();

    copyOver(big, board.flashFile());
    QString line;
    int code = 0;
    const double verifyWindow = windowOperation("校验", big, QString(), line);
    const double verifyCli = loader({"verify", big, "--clock", clock}, code);
    report("verify of 16 MiB", verifyWindow, verifyCli, line, code);

    const QString back = world.path() + "/back.bin";
    const double readWindow = windowOperation("读出到文件…", QString(), back, line);
    const bool readWhole = contents(back) == contents(big);
    const double readCli = loader({"read", world.path() + "/cli.bin", "--clock", clock}, code);
    report("read back of the whole 16 MiB flash", readWindow, readCli, line, code);
    std::printf("  the window's file holds the flash: %s\n", readWhole ? "yes" : "NO");

    QFile::remove(board.flashFile());
    const double bigFull = windowBinJob(big, false, line);
    std::printf("16 MiB \"BIN\" job, full write onto an erased flash: %.2f s (%s)\n", bigFull, qPrintable(line));
    const double bigSame = windowBinJob(big, true, line);
    std::printf("16 MiB, only changed sectors, the flash already holds it: %.2f s, %.3fx (target <= 0.25x) (%s)\n",
                bigSame, bigSame / bigFull, qPrintable(line));

    QFile::remove(board.flashFile());
    const double full = windowBinJob(four, false, line);
    std::printf("4 MiB \"BIN\" job, full write onto an erased flash: %.2f s (%s)\n", full, qPrintable(line));
    const double same = windowBinJob(four, true, line);
    std::printf("4 MiB, only changed sectors, the flash already holds it: %.2f s, %.3fx (target <= 0.25x) (%s)\n", same,
                same / full, qPrintable(line));
    const double one = windowBinJob(changed, true, line);
    std::printf("4 MiB, only changed sectors, one sector changed: %.2f s, %.3fx (target <= 0.30x) (%s)\n", one,
                one / full, qPrintable(line));
    const bool written = contents(board.flashFile()).left(image.size()) == image;
    std::printf("  the flash holds the changed image: %s\n", written ? "yes" : "NO");
    return 0;
}
