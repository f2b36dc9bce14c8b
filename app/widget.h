#ifndef FELDMOOR_WIDGET_H
#define FELDMOOR_WIDGET_H

#include "adapter/attachedadapters.h"
#include "adapter/ulong.h"
#include "download/commandcomposition.h"
#include "download/filekind.h"
#include "engine/adapterlock.h"

#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>

#include <optional>
#include <vector>

QT_BEGIN_NAMESPACE
namespace Ui { class Widget; }
QT_END_NAMESPACE

namespace engine {
class ToolRun;
}

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
    // The checks around a run, on the engine's steps: false, with the
    // reason logged, when the job must not go on.
    bool takeAdapter(const feldmoor::AdapterIdentity &adapter);
    bool boardTakesImage(const DownloadRequest &request);
    // After a run that exited 0: the lines the checks add, and the failure
    // text that replaces the completion text, if any.
    QString checkRunEnd(QStringList &lines);
    void endJobHere();

    // How long the window waits for a programming tool, or the tool that
    // ends it, to start or to finish.
    static constexpr int processWaitMs = 30000;

    bool isDownloading;
    // What the running job loads, fixed when it starts: the combo box may
    // have changed since.
    FileKind runningKind = FileKind::Bit;
    DownloadRequest runningRequest{QString(), QString(), FileKind::Bit, QString(), QString()};
    AdapterSelection runningAdapter;
    // What the run printed, for the judges at its end.
    QString runOutput;
    int restartCount = 0;
    bool restarting = false;
    // Set when the window ends a run for good: what the log says instead.
    QString stopReason;
    engine::AdapterLocks adapterLocks;
    std::vector<feldmoor::AdapterIdentity> attached;
    bool adapterListDue = false;

    QString lastDir;
    std::uint32_t downloadFileSize;
    QString openocdPath;
    engine::ToolRun *downloadProcess;
    std::atomic<bool> deviceConnected;
    Ui::Widget *ui;

    // Guards against re-entry: a completion procedure delivers the process's
    // last output and end inside its own waits, and the destructor's kill of a
    // running job does the same. Neither may start a second completion or a
    // new run.
    int completionDepth = 0;
    bool tearingDown = false;

    friend void deviceNotifyCallback(ULONG iEventStatus);
    // Read access for the test suites, which check the job state directly.
    friend struct WindowInternals;
};

// The one window, for the adapter library's callback thread. Null while no
// window exists.
extern std::atomic<Widget *> widgetInstance;

#endif
