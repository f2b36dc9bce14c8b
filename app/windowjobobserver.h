#ifndef FELDMOOR_APP_WINDOWJOBOBSERVER_H
#define FELDMOOR_APP_WINDOWJOBOBSERVER_H

#include "engine/jobobserver.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The window's side of a job on the engine's runner: the tool's lines (or a
// download's chunks) go to the log pane and the progress to the bar as they
// come; the facts the steps find are kept for the result line, which the
// window words itself. A callback left empty drops what it would be given.
class WindowJobObserver : public engine::JobObserver
{
public:
    std::function<void(const QString &line)> onLine;
    std::function<void(const QByteArray &chunk)> onChunk;
    std::function<void(qint64 bytes, qint64 total)> onProgress;
    std::function<void()> onResetProgress;
    std::function<void(const engine::Restart &restart)> onRestart;

    // Everything the tool printed during the job.
    const QString &toolLog() const { return toolLog_; }
    const std::optional<engine::PartCheck> &part() const { return part_; }
    const std::optional<engine::BlankCheck> &blank() const { return blank_; }
    const std::optional<engine::SectorSummary> &sectors() const { return sectors_; }
    const std::optional<engine::DoneCheck> &done() const { return done_; }

    void log(const QString &line) override;
    void toolChunk(const QByteArray &chunk) override;
    void notice(const engine::Notice &) override {}
    void progress(qint64 bytes, qint64 total) override;
    void resetProgress() override;
    void restart(const engine::Restart &restart) override;
    void partCheck(const engine::PartCheck &check) override { part_ = check; }
    void doneCheck(const engine::DoneCheck &check) override { done_ = check; }
    void blankCheck(const engine::BlankCheck &check) override { blank_ = check; }
    void sectorPlan(const engine::SectorSummary &summary) override { sectors_ = summary; }
    void result(const engine::JobResult &) override {}

private:
    QString toolLog_;
    std::optional<engine::PartCheck> part_;
    std::optional<engine::BlankCheck> blank_;
    std::optional<engine::SectorSummary> sectors_;
    std::optional<engine::DoneCheck> done_;
};

#endif
