#ifndef FELDMOOR_ENGINE_TOOLRUN_H
#define FELDMOOR_ENGINE_TOOLRUN_H

#include "download/commandcomposition.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>

namespace engine {

// One run of openocd.exe: started in a process group of its own, so that the
// console's Ctrl-C reaches the loader alone, which ends only its own child.
// Its merged output is judged line by line with the window's chunk rules, so
// two reports that arrive in one read are both seen.
class ToolRun : public QObject {
    Q_OBJECT
public:
    struct Exit {
        int code = 0;
        bool crashed = false;
        bool endedFromOutside = false;  // killed, but not by us
        bool failedToStart = false;
        QString error;                  // why it failed to start
    };

    explicit ToolRun(QObject *parent = nullptr);

    // `watchFlash`: progress reports and too-fast erase reports are judged
    // (a flash write); otherwise every line is only logged.
    void start(const DownloadCommand &command, bool watchFlash);
    // Kills the child; `finished` follows once it is gone.
    void end();
    bool running() const;

signals:
    void logLine(const QString &line);
    void progress(qint64 bytes);
    void tooFastErase(const QString &report);
    void finished(const engine::ToolRun::Exit &exit);

private:
    void read();
    void judge(const QByteArray &piece);
    void onFinished(int exitCode, QProcess::ExitStatus status);

    QProcess *process_ = nullptr;
    QByteArray pending_;
    bool watchFlash_ = false;
    bool endRequested_ = false;
    bool reported_ = false;
};

} // namespace engine

Q_DECLARE_METATYPE(engine::ToolRun::Exit)

#endif
