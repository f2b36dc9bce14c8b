#ifndef FELDMOOR_BENCH_IDLESTOPWATCH_H
#define FELDMOOR_BENCH_IDLESTOPWATCH_H

#include <QMetaObject>

#include <cstdint>
#include <optional>

class QProgressBar;
class QPushButton;

// Stamps the moment the window is back at idle after a run. The reset sets
// the download button's text and, next and synchronously, brings the progress
// bar back to 0; the bar's valueChanged(0) is the first signal after the text
// change, so the stamp trails it by that one call.
class IdleStopwatch
{
public:
    IdleStopwatch(QProgressBar *bar, QPushButton *button);
    ~IdleStopwatch();
    IdleStopwatch(const IdleStopwatch &) = delete;
    IdleStopwatch &operator=(const IdleStopwatch &) = delete;

    // Forgets the last stamp and waits for the next return to idle. The bar
    // must show a value other than 0 before that return, or it gives no signal.
    void arm();
    // monotonicNanoseconds() at the return to idle; nothing before it.
    std::optional<std::int64_t> idleAt() const { return stamp; }
    // Whether the button read "下载" when the bar went to 0: the order the
    // stamp relies on.
    bool buttonWasIdle() const { return idleText; }

private:
    QPushButton *button;
    bool armed = false;
    bool idleText = false;
    std::optional<std::int64_t> stamp;
    QMetaObject::Connection connection;
};

#endif
