#ifndef FELDMOOR_WIDGET_H
#define FELDMOOR_WIDGET_H

#include "adapter/attachedadapters.h"
#include "adapter/ulong.h"
#include "app/fixedjob.h"
#include "app/flashoperation.h"
#include "download/commandcomposition.h"
#include "download/filekind.h"
#include "engine/adapterlock.h"
#include "engine/jobsteps.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <cstdint>

#include <memory>
#include <optional>
#include <vector>

QT_BEGIN_NAMESPACE
namespace Ui { class Widget; }
QT_END_NAMESPACE

class QAction;
class QProcess;

namespace engine {
class JobRunner;
class ScratchFile;
class ToolRun;
struct JobOutcome;
struct JobRequest;
}

class WindowJobObserver;

class Widget : public QWidget
{
    Q_OBJECT

public:
    Widget(QWidget *parent = nullptr);
    ~Widget();

signals:
    void plugInfo(ULONG iEventStatus);
    void progressValue(int value);

private slots:
    void on_pB_chooseFile_clicked();
    void on_pB_download_clicked();
    void on_pushButton_clicked();
    void on_cbB_fileType_currentIndexChanged(int index);
    void on_lE_downloadFile_textChanged(const QString &arg1);
    void on_pushButton_2_clicked();

public slots:
    // The download's run: each read of the tool's output (in `toolChunk`),
    // and its end.
    void softOutPut();
    void softFinished();
    void plugInfoSlot(ULONG iEventStatus);
    void changeProcessValue(int value);

private:
    void initFpgaTypeList();
    void initClockList();
    void scanAdapters();

    // Several adapters: the device field counts them and a choice appears.
    void showAttachedAdapters();
    // The chosen adapter's identity, and the selector its runs carry (empty
    // with one attached, as the window always opened it).
    std::optional<feldmoor::AdapterIdentity> chosenAdapter(AdapterSelection &selection) const;

    // A job's stages, each begun when the one before it has ended: nothing
    // here waits on a child process, so the window answers its controls (a
    // press of its button is refused) while any of them runs. Each stage is
    // a job on the engine's runner, which judges what the tool printed; the
    // window words its outcome.
    bool takeAdapter(const feldmoor::AdapterIdentity &adapter);
    void runDownloadStage(const engine::JobRequest &request, QList<engine::Step> steps, void (Widget::*ended)(),
                          bool theRun);
    // A stage's runner, with the observer in place: on `ownTool` for the
    // download's run, else on tools of its own.
    void startStage(const engine::JobRequest &request, QList<engine::Step> steps, void (Widget::*ended)(),
                    engine::ToolRun *ownTool = nullptr);
    // The stage's outcome; its runner is let go.
    engine::JobOutcome takeStageOutcome();
    void probeBoard();
    void probeEnded();
    bool boardTakesImage(const engine::JobOutcome &probe);
    void startRun();
    void runStarted();
    // After each run of the download: every programming tool ended, and
    // after a too-fast erase the pane cleared for the run that follows.
    void betweenRuns(const std::function<void()> &proceed);
    void endTools(const std::function<void()> &then);
    // The same, waited for: the window is going.
    void endToolsNow();
    // The run's own failure, if any, and the lines it adds; `statusDue` when
    // the DONE check's read comes next.
    QString runFailure(const engine::JobOutcome &run, QStringList &lines, bool &statusDue);
    void readStatus(const QStringList &lines);
    void statusRead();
    QString statusFailure(const engine::JobOutcome &status, QStringList &lines);
    void finishJob(const QStringList &lines, const QString &message);
    void endJobHere();
    // The Flash menu's Stop: ends the job wherever it is, as closing the
    // window does, once the user has said Yes.
    void stopJob();
    engine::JobRequest checkRequest() const;

    // The Flash menu's operations on the board's flash, each the loader's
    // job on the engine's runner: the part probe, the boxes, the job.
    void buildFlashMenu();
    void updateFlashActions();
    void startFlashOperation(FlashOperation operation);
    void flashProbeEnded();
    void runFlashJob();
    void flashJobEnded();
    void runFlashStage(const engine::JobRequest &request, void (Widget::*ended)());
    void endFlashOperation(const QString &line);
    // A "BIN" job with 只写入变化的扇区 checked: the loader's write of the
    // sectors that differ, then its verify, reload and DONE check.
    void runChangedSectorsWrite();
    void changedSectorsWriteEnded();

    // How long the window waits for a programming tool, or the tool that
    // ends it, to start or to finish.
    static constexpr int processWaitMs = 30000;

    bool isDownloading;
    // The running job, fixed when it started: the form may have changed since.
    FixedJob job;
    // A too-fast erase ended the run: the runner starts it again, the pane is
    // cleared first, and the report that caused it follows the new run's
    // start line.
    bool restartDue = false;
    QString restartReport;
    // The part the run's TAP line named, for the words of a DONE left low.
    QString runBoardPart;
    // The read of the run's output the runner has just handed over.
    QByteArray toolChunk;
    // The lines the run added, shown with the status read's end.
    QStringList statusLines;
    // The tool that ends every programming tool after a run; null while none
    // runs.
    QProcess *toolEnder = nullptr;
    QAction *stopAction = nullptr;
    QAction *verifyAction = nullptr;
    QAction *readBackAction = nullptr;
    QAction *eraseAction = nullptr;
    QAction *blankCheckAction = nullptr;
    QAction *changedSectorsAction = nullptr;
    // The Flash menu's operation under way: what it works on, fixed when it
    // started; its runner is null between its stages and while none runs.
    struct FlashJob {
        FlashOperation operation = FlashOperation::Verify;
        std::optional<FlashImage> image;
        QString target;
        QString adapterName;
        std::shared_ptr<engine::ScratchFile> imageFile;
        QString boardPart;
        bool stopped = false;
    };
    FlashJob flashJob;
    std::unique_ptr<engine::JobRequest> flashBase;
    engine::JobRunner *jobRunner = nullptr;
    std::unique_ptr<WindowJobObserver> jobObserver;
    engine::AdapterLocks adapterLocks;
    std::vector<feldmoor::AdapterIdentity> attached;
    bool adapterListDue = false;

    QString lastDir;
    std::uint32_t downloadFileSize;
    QString openocdPath;
    engine::ToolRun *downloadProcess;
    std::atomic<bool> deviceConnected;
    Ui::Widget *ui;

    // The destructor's kill of a running job delivers its last output and
    // its end: neither may start anything then.
    bool tearingDown = false;

    friend void deviceNotifyCallback(ULONG iEventStatus);
    // Read access for the test suites, which check the job state directly.
    friend struct WindowInternals;
};

// The one window, for the adapter library's callback thread. Null while no
// window exists.
extern std::atomic<Widget *> widgetInstance;

#endif
