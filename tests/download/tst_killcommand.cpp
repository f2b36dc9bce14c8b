#include "download/killcommand.h"

#include <QTest>

// What a run's end ends, while a loader writes a board beside the window.
class KillCommandTest : public QObject
{
    Q_OBJECT

private slots:
    void noLoaderEndsEveryToolByName()
    {
        const KillCommand command = openocdKillCommand({});
        QVERIFY(!command.program.isEmpty());
        QVERIFY(command.arguments.contains(QStringLiteral("openocd.exe")));
    }

    // Between two of a loader's runs no tool of its runs: its next one may
    // start while the kill runs, so none may be ended by name.
    void loaderBetweenRunsEndsNothing()
    {
        SparedTools tools;
        tools.loaderLive = true;
        const KillCommand command = openocdKillCommand(tools);
        QVERIFY2(command.program.isEmpty(), qPrintable(command.program + ' ' + command.arguments.join(' ')));
    }

    void loaderLiveEndsOnlyTheOthersByNumber()
    {
        SparedTools tools;
        tools.loaderLive = true;
        tools.spared = {4242};
        tools.others = {17, 23};
        const KillCommand command = openocdKillCommand(tools);
        QVERIFY(!command.program.isEmpty());
        QVERIFY(!command.arguments.contains(QStringLiteral("openocd.exe")));
        QVERIFY(command.arguments.contains(QStringLiteral("17")));
        QVERIFY(command.arguments.contains(QStringLiteral("23")));
        QVERIFY(!command.arguments.contains(QStringLiteral("4242")));
    }
};

QTEST_GUILESS_MAIN(KillCommandTest)
#include "tst_killcommand.moc"
