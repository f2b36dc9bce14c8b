#include "chunkstopwatch.h"

#include <QProcess>

ChunkStopwatch::ChunkStopwatch(QProcess *process, qsizetype chunkBytes, Effect effect)
    : process(process)
    , chunkBytes(chunkBytes)
    , effect(std::move(effect))
{
    startConnection = QObject::connect(process, &QProcess::readyRead, process, [this] { start(); });
    stopConnection = QObject::connect(process, &QProcess::readyReadStandardOutput, process, [this] { stop(); });
}

ChunkStopwatch::~ChunkStopwatch()
{
    QObject::disconnect(startConnection);
    QObject::disconnect(stopConnection);
}

void ChunkStopwatch::start()
{
    pending = process->peek(process->bytesAvailable());
    effect.expect(pending);
    started = true;
    // Last, so that the bookkeeping above is not part of the figure.
    startedAt = std::chrono::steady_clock::now();
}

void ChunkStopwatch::stop()
{
    const auto stoppedAt = std::chrono::steady_clock::now();
    if (!started)
        return;
    started = false;
    ++delivered;
    if (pending.size() != chunkBytes) {
        ++mergedCount;
        return;
    }
    if (process->bytesAvailable() != 0 || !effect.seen()) {
        ++unseenCount;
        return;
    }
    const std::chrono::duration<double, std::micro> took = stoppedAt - startedAt;
    timed.push_back({delivered, took.count()});
}

std::vector<double> ChunkStopwatch::microseconds(int first, int last) const
{
    std::vector<double> values;
    for (const Sample &sample : timed) {
        if (sample.delivery >= first && sample.delivery <= last)
            values.push_back(sample.microseconds);
    }
    return values;
}

std::vector<double> ChunkStopwatch::microseconds() const
{
    std::vector<double> values;
    values.reserve(timed.size());
    for (const Sample &sample : timed)
        values.push_back(sample.microseconds);
    return values;
}
