#include "app/windowjobobserver.h"

void WindowJobObserver::log(const QString &line)
{
    toolLog_ += line + QLatin1Char('\n');
    if (onLine)
        onLine(line);
}

void WindowJobObserver::toolChunk(const QByteArray &chunk)
{
    if (onChunk)
        onChunk(chunk);
}

void WindowJobObserver::progress(qint64 bytes, qint64 total)
{
    if (onProgress)
        onProgress(bytes, total);
}

void WindowJobObserver::resetProgress()
{
    if (onResetProgress)
        onResetProgress();
}

void WindowJobObserver::restart(const engine::Restart &restart)
{
    if (onRestart)
        onRestart(restart);
}
