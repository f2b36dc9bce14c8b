#include "toolreads.h"

#include <QProcess>

ToolReads::ToolReads(QProcess *process, std::chrono::microseconds gap)
    : process(process)
    , gap(gap)
    , previous(std::chrono::steady_clock::now())
{
    connection = QObject::connect(process, &QProcess::readyRead, process, [this] { read(); });
}

ToolReads::~ToolReads()
{
    QObject::disconnect(connection);
}

void ToolReads::read()
{
    // Stamped just after QProcess's read; the absence runs from the stamp of
    // the read before (from the start of recording for the first one).
    const auto now = std::chrono::steady_clock::now();
    const auto away = now - previous;
    previous = now;
    const QByteArray chunk = process->peek(process->bytesAvailable());
    recorded << chunk;
    const qsizetype lineEnd = chunk.indexOf('\n');
    if (lineEnd < 0 || lineEnd == chunk.size() - 1)
        return;
    if (away >= gap) {
        ++lateCount;
        return;
    }
    tooCloseChunks << QStringLiteral("%1 lines in one read %2 ms after the read before: %3")
                          .arg(chunk.count('\n'))
                          .arg(std::chrono::duration<double, std::milli>(away).count(), 0, 'f', 2)
                          .arg(QString::fromLocal8Bit(chunk).simplified());
}
