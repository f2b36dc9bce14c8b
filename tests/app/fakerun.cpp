#include "fakerun.h"

#include "recordedarguments.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtGlobal>

FakeRun::FakeRun()
{
    qputenv("FAKE_OPENOCD_ARGS", path("args").toLocal8Bit());
    qputenv("FAKE_OPENOCD_RUNS", path("runs").toLocal8Bit());
    qputenv("FAKE_OPENOCD_PLAN", path("plan").toLocal8Bit());
    plan({});
}

void FakeRun::plan(const QStringList &steps)
{
    QFile file(path("plan"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the plan");
    for (const QString &step : steps)
        file.write(step.toUtf8() + '\n');
}

QStringList FakeRun::arguments() const
{
    return readRecordedArguments(dir.filePath("args"));
}

int FakeRun::starts() const
{
    QFile file(dir.filePath("runs"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count('\n'));
}

bool FakeRun::waitForStarts(int count) const
{
    QElapsedTimer clock;
    clock.start();
    while (starts() < count && clock.elapsed() < 5000)
        QThread::msleep(2);
    return starts() >= count;
}
