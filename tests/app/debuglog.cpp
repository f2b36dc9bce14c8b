#include "debuglog.h"

#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>

namespace {

QMutex mutex;
QStringList captured;
bool capturing = false;
QtMessageHandler previous = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg) {
        if (previous)
            previous(type, context, message);
        return;
    }
    QMutexLocker lock(&mutex);
    if (capturing)
        captured << message;
}

}

DebugLog::DebugLog()
{
    QMutexLocker lock(&mutex);
    captured.clear();
    capturing = true;
    previous = qInstallMessageHandler(collect);
}

DebugLog::~DebugLog()
{
    qInstallMessageHandler(previous);
    QMutexLocker lock(&mutex);
    capturing = false;
    captured.clear();
}

QStringList DebugLog::lines() const
{
    QMutexLocker lock(&mutex);
    return captured;
}

int DebugLog::count(const QString &text) const
{
    QMutexLocker lock(&mutex);
    int n = 0;
    for (const QString &line : captured) {
        if (line.contains(text))
            ++n;
    }
    return n;
}

void DebugLog::clear()
{
    QMutexLocker lock(&mutex);
    captured.clear();
}

int DebugLog::size()
{
    QMutexLocker lock(&mutex);
    return int(captured.size());
}

void DebugLog::truncate(int size)
{
    QMutexLocker lock(&mutex);
    while (captured.size() > size)
        captured.removeLast();
}
