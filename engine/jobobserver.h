#ifndef FELDMOOR_ENGINE_JOBOBSERVER_H
#define FELDMOOR_ENGINE_JOBOBSERVER_H

#include "engine/jobevents.h"
#include "engine/outcome.h"

#include <QByteArray>
#include <QString>

namespace engine {

// What a job tells the face that runs it, as it happens: the tool's own
// lines and the facts the steps found. Each face words them its own way (the
// loader's reporter, the window's log pane, button and bar).
class JobObserver {
public:
    virtual ~JobObserver() = default;

    virtual void log(const QString &line) = 0;   // a line of the tool's output
    // A step whose output comes in chunks: each read as it came, before the
    // runner's rules take it (then its text reaches log(), unless it was a
    // progress report or the report that restarts the run).
    virtual void toolChunk(const QByteArray &) {}
    virtual void notice(const Notice &notice) = 0;  // what the job tells on its way
    virtual void progress(qint64 bytes, qint64 total) = 0;
    // A new run of the tool begins: progress starts again from nothing.
    virtual void resetProgress() = 0;
    virtual void restart(const Restart &restart) = 0;
    virtual void partCheck(const PartCheck &check) = 0;
    virtual void doneCheck(const DoneCheck &check) = 0;
    virtual void blankCheck(const BlankCheck &check) = 0;
    // The loader's flash writes alone make these, so a face without them
    // (the window) has nothing to do.
    // A flash write's plan, once the sectors were read back and compared.
    virtual void sectorPlan(const SectorSummary &) {}
    // A flash write that stopped part-way: which sector was being written.
    virtual void sectorWriteStopped(const SectorWriteStopped &) {}
    virtual void result(const JobResult &result) = 0;
};

} // namespace engine

#endif
