#ifndef FELDMOOR_BENCH_CHUNKSTOPWATCH_H
#define FELDMOOR_BENCH_CHUNKSTOPWATCH_H

#include <QByteArray>
#include <QMetaObject>

#include <chrono>
#include <functional>
#include <vector>

class QProcess;

// Times the window's handling of each chunk its programming tool delivers.
//
// QProcess emits readyRead and then readyReadStandardOutput for the same
// read. The window connected its output slot to the latter in its
// constructor; connected later, the stopwatch's end runs after that slot, and
// its start, on readyRead, runs before it. Each delivery is checked: the chunk
// must still be unread at the start and consumed, with its effect visible, at
// the end; a delivery that fails this is counted, not timed.
class ChunkStopwatch
{
public:
    struct Effect {
        // Before the window's slot, with the unread chunk: note what it should change.
        std::function<void(const QByteArray &chunk)> expect;
        // After the slot: did that change happen?
        std::function<bool()> seen;
    };

    struct Sample {
        int delivery;        // 1-based, counting every delivery of the run
        double microseconds;
    };

    ChunkStopwatch(QProcess *process, qsizetype chunkBytes, Effect effect);
    ~ChunkStopwatch();
    ChunkStopwatch(const ChunkStopwatch &) = delete;
    ChunkStopwatch &operator=(const ChunkStopwatch &) = delete;

    const std::vector<Sample> &samples() const { return timed; }
    // Durations of the samples whose delivery lies in [first, last].
    std::vector<double> microseconds(int first, int last) const;
    std::vector<double> microseconds() const;
    int deliveries() const { return delivered; }
    // Deliveries carrying more or less than one chunk: two writes read together.
    int merged() const { return mergedCount; }
    // Deliveries whose chunk was not consumed or had no visible effect by the
    // end stamp: the signal order the measurement relies on did not hold.
    int unseen() const { return unseenCount; }

private:
    void start();
    void stop();

    QProcess *process;
    qsizetype chunkBytes;
    Effect effect;
    QByteArray pending;
    bool started = false;
    std::chrono::steady_clock::time_point startedAt;
    std::vector<Sample> timed;
    int delivered = 0;
    int mergedCount = 0;
    int unseenCount = 0;
    QMetaObject::Connection startConnection;
    QMetaObject::Connection stopConnection;
};

#endif
