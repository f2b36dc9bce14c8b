#include "app/windowjobobserver.h"

void WindowJobObserver::log(const QString &line)
{
    toolLog_ += line + QLatin1Char('\n');
    if (onLine)
        onLine(line);
}

void WindowJobObserver::progress(qint64 bytes, qint64 total)
{
    if (onProgress && total > 0)
        onProgress(int(qBound(qint64(0), bytes * 100 / total, qint64(100))));
}

void WindowJobObserver::resetProgress()
{
    if (onProgress)
        onProgress(0);
}
