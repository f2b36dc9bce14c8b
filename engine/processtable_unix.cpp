#include "engine/processtable.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace engine {

QList<ProcessEntry> processesNamed(const QString &name)
{
    QList<ProcessEntry> found;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        // "pid (comm) state ppid ...": the name may hold blanks and brackets,
        // so it is taken up to the last ')'. comm is cut at 15 bytes, as
        // pkill -x matches it.
        QFile stat(proc.filePath(entry + QLatin1String("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        if (QString::fromLocal8Bit(line.mid(open + 1, close - open - 1)) != name.left(15))
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        // A zombie has ended; it only waits to be reaped.
        if (fields.size() < 2 || fields.at(0) == "Z" || fields.at(0) == "X")
            continue;
        found << ProcessEntry{pid, fields.at(1).toLongLong()};
    }
    return found;
}

bool processAlive(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    // A zombie has ended, though the signal still finds it until it is reaped.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
    return state != 'Z' && state != 'X';
}

QString processStarted(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return QString();
    // The fields after the name start at the state; the start time, in
    // clock ticks since boot, is the 22nd of the whole line.
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    constexpr qsizetype kStartTime = 22 - 3;
    return fields.size() > kStartTime ? QString::fromLatin1(fields.at(kStartTime)) : QString();
}

qint64 ownPid()
{
    return ::getpid();
}

} // namespace engine
