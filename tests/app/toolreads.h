#ifndef FELDMOOR_TESTS_TOOLREADS_H
#define FELDMOOR_TESTS_TOOLREADS_H

#include <QByteArray>
#include <QList>
#include <QMetaObject>
#include <QStringList>

#include <chrono>

class QProcess;

// Records each read the window makes of its programming tool's output, and
// when it was made, so that a test can tell apart the two ways in which two
// writes of the tool end up in one chunk. Two writes at least `gap` apart can
// only come back from one read when the window left the pipe alone for at
// least `gap` between that read and the one before: it was late, which a
// loaded machine may cause at any time and which says nothing about the
// window or the tool. A chunk of several lines after a shorter absence means
// the tool wrote them closer together than it promises: a fault.
//
// QProcess emits readyRead before readyReadStandardOutput, the signal the
// window reads on, so the chunk is seen here still unread.
//
// QProcess takes the bytes from the pipe before it emits readyRead, and the
// thread may be descheduled in between, so the stamp taken in the slot can
// come well after the read it follows. The absence is therefore counted from
// the moment the event loop woke up for the read before, which cannot be
// later than that read: a busy machine can only lengthen it, never make a
// late window look punctual.
class ToolReads
{
public:
    ToolReads(QProcess *process, std::chrono::microseconds gap);
    ~ToolReads();
    ToolReads(const ToolReads &) = delete;
    ToolReads &operator=(const ToolReads &) = delete;

    QList<QByteArray> chunks() const { return recorded; }
    // Chunks of several lines read after an absence of at least the gap.
    int late() const { return lateCount; }
    // Chunks of several lines read after a shorter absence, each described.
    QStringList tooClose() const { return tooCloseChunks; }

private:
    void read();

    QProcess *process;
    std::chrono::microseconds gap;
    // When the event loop last woke up, and when it woke up for the read
    // before this one.
    std::chrono::steady_clock::time_point woke;
    std::chrono::steady_clock::time_point previous;
    QList<QByteArray> recorded;
    int lateCount = 0;
    QStringList tooCloseChunks;
    QMetaObject::Connection connection;
    QMetaObject::Connection awakeConnection;
};

#endif
