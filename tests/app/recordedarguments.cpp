#include "recordedarguments.h"

#include <QFile>

QStringList readRecordedArguments(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList arguments;
    const QList<QByteArray> parts = file.readAll().split('\0');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i)
        arguments << QString::fromUtf8(parts[i]);
    return arguments;
}
