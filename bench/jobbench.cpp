// The window's job against the loader's on the same simulated board, at the
// simulator's modelled speed (time scale 1): a "BIT" job in each, and what
// the window's checks around its run (the chain probe before a "BIN" write,
// the status read after a configuration) add to the tool's run made
// directly; and the window's start-up against a bare Qt window, as whole
// processes (windowstartup.cpp). Medians of
// N rounds (default 3). Usage: feldmoor_jobbench [N]
// It runs from build/bin, beside the tools, and ends every openocd.exe when
// the window's runs end: run it alone.

#include "app/widget.h"
#include "eventwait.h"
#include "windowinternals.h"

#include "download/commandcomposition.h"
#include "engine/toolcommands.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

double seconds(QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e9;
}

double runDirectly(const DownloadCommand &command)
{
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(command.program, command.arguments);
    tool.waitForFinished(300000);
    return seconds(clock);
}

double windowJob(const QString &part, int kind, const QString &file)
{
    Widget window;
    window.findChild<QComboBox *>("cbB_FPGAType")->setCurrentText(part);
    window.findChild<QComboBox *>("cbB_fileType")->setCurrentIndex(kind);
    window.findChild<QLineEdit *>("lE_downloadFile")->setText(file);
    QElapsedTimer clock;
    clock.start();
    window.findChild<QPushButton *>("pB_download")->click();
    runEventLoopUntil([&] { return !WindowInternals::isDownloading(window); }, 300000);
    return seconds(clock);
}

double loaderJob(const QString &file)
{
    QElapsedTimer clock;
    clock.start();
    QProcess loader;
    loader.start(QCoreApplication::applicationDirPath() + "/feldmoor-cli", {"load", file, "--quiet"});
    loader.waitForFinished(300000);
    return seconds(clock);
}

double startUp(const QString &which)
{
    QElapsedTimer clock;
    clock.start();
    QProcess::execute(QCoreApplication::applicationDirPath() + "/windowstartup", {which});
    return seconds(clock);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir world;
    qputenv("QB562_SIM_DIR", (world.path() + "/bus").toLocal8Bit());
    qputenv("QB562_SIM_TIME_SCALE", "1");
    QDir(world.path()).mkpath("bus/adapter0");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString dir = QCoreApplication::applicationDirPath();
    const QString bit = world.path() + "/top.bit";
    const QString bin = world.path() + "/top.bin";
    QProcess::execute(dir + "/simbit", {"bit", "xc7k325t", bit});
    QProcess::execute(dir + "/simbit", {"bin", bin, "--size", "262144", "--part", "xc7k325t"});

    QList<double> bare, window, bitWindow, bitLoader, bitDirect, binWindow, binDirect, probe, status;
    for (int round = 0; round < rounds; ++round) {
        bare << startUp("bare");
        window << startUp("window");
        const DownloadRequest bitRequest{"xc7k325t", "10000000", FileKind::Bit, bit, dir};
        const DownloadRequest binRequest{"xc7k325t", "10000000", FileKind::Bin, bin, dir};
        bitWindow << windowJob("xc7k325t", 0, bit);
        bitLoader << loaderJob(bit);
        bitDirect << runDirectly(composeDownloadCommand(bitRequest));
        binWindow << windowJob("xc7k325t", 1, bin);
        binDirect << runDirectly(composeDownloadCommand(binRequest));
        probe << runDirectly(engine::composeDetectCommand(binRequest, {}));
        status << runDirectly(engine::composeReadStatusCommand(binRequest, {}));
    }
    std::printf("start-up to the first paint, whole processes: bare QWidget %.4f s, the window %.4f s: %.2fx\n", median(bare),
                median(window), median(window) / median(bare));
    std::printf("BIT job at time scale 1: window %.3f s, feldmoor-cli load %.3f s: %+.1f %% (target within 5 %%)\n",
                median(bitWindow), median(bitLoader), (median(bitWindow) / median(bitLoader) - 1) * 100);
    std::printf("the window's checks: BIT job %.3f s against its run alone %.3f s (+%.3f s, the status read); "
                "256 KiB BIN job %.3f s against its run alone %.3f s (+%.3f s, probe and status read)\n",
                median(bitWindow), median(bitDirect), median(bitWindow) - median(bitDirect), median(binWindow),
                median(binDirect), median(binWindow) - median(binDirect));
    std::printf("the check runs made directly: chain probe %.3f s, status read %.3f s\n", median(probe),
                median(status));
    return 0;
}
