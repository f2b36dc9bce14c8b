#include "eventwait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

bool runEventLoopUntil(const std::function<bool()> &done, int ms)
{
    // Wakes the blocking wait below, so the condition and the time limit are
    // looked at even while nothing else happens.
    QTimer tick;
    tick.start(5);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
