#include "toolreads.h"

#include <QAbstractEventDispatcher>
#include <QProcess>

ToolReads::ToolReads(QProcess *process, std::chrono::microseconds gap)
    : process(process)
    , gap(gap)
    , woke(std::chrono::steady_clock::now())
    , previous(woke)
{
    connection = QObject::connect(process, &QProcess::readyRead, process, [this] { read(); });
    awakeConnection = QObject::connect(QAbstractEventDispatcher::instance(process->thread()),
                                       &QAbstractEventDispatcher::awake, process,
                                       [this] { woke = std::chrono::steady_clock::now(); });
}

ToolReads::~ToolReads()
{
    QObject::disconnect(connection);
    QObject::disconnect(awakeConnection);
}

void ToolReads::read()
{
    // Stamped after QProcess's read; the absence runs from the wake-up that
    // led to the read before (from the start of recording for the first one).
    const auto now = std::chrono::steady_clock::now();
    const auto away = now - previous;
    previous = woke;
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
