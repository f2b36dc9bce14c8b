#ifndef FELDMOOR_ENGINE_TOOLRUN_H
#define FELDMOOR_ENGINE_TOOLRUN_H

#include "download/commandcomposition.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>

namespace engine {

// A run of openocd.exe: started in a process group of its own, so that the
// console's Ctrl-C reaches the loader alone, which ends only its own child.
// The loader's steps have its merged output judged line by line with the
// window's chunk rules, so two reports that arrive in one read are both
// seen. The window's download takes it chunk by chunk instead, as each read
// returns it; one ToolRun serves its runs one after another.
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
    // A run whose output comes as `chunk`, one for each read, unjudged.
    void startForChunks(const DownloadCommand &command);
    bool waitForStarted(int ms);
    bool waitForFinished(int ms);
    QProcess::ProcessState state() const;
    QProcess::ExitStatus exitStatus() const;
    int exitCode() const;
    // Ends the child if it still runs, and lets go of its output.
    void close();
    // The child, for the suites that watch what it was given.
    QProcess *process() const { return process_; }

    // Kills the child; `finished` follows once it is gone.
    void end();
    bool running() const;

signals:
    // The child runs, as process `pid`.
    void toolStarted(qint64 pid);
    void chunk(const QByteArray &bytes);
    void logLine(const QString &line);
    void progress(qint64 bytes);
    void tooFastErase(const QString &report);
    void finished(const engine::ToolRun::Exit &exit);

private:
    void read();
    void judge(const QByteArray &piece);
    void onFinished(int exitCode, QProcess::ExitStatus status);

    void begin(const DownloadCommand &command);

    QProcess *process_ = nullptr;
    QByteArray pending_;
    bool chunks_ = false;
    bool watchFlash_ = false;
    bool endRequested_ = false;
    bool reported_ = false;
};

} // namespace engine

Q_DECLARE_METATYPE(engine::ToolRun::Exit)

#endif
