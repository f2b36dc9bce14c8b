#include "processcontrol.h"

#include <QFile>

#include <signal.h>

void killFromOutside(qint64 pid)
{
    ::kill(pid_t(pid), SIGKILL);
}

bool processExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

QList<qint64> childProcesses(qint64 parent)
{
    QList<qint64> children;
    QFile list(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
    if (list.open(QIODevice::ReadOnly))
        for (const QByteArray &child : list.readAll().trimmed().split(' '))
            if (!child.isEmpty())
                children << child.toLongLong();
    return children;
}
