#ifndef FELDMOOR_APP_CHECKFACTS_H
#define FELDMOOR_APP_CHECKFACTS_H

#include "engine/jobobserver.h"

#include <optional>

// What the window keeps of a check run's facts: it words them itself, once
// the check is over, and shows none of the tool's own lines of it.
class CheckFacts : public engine::JobObserver {
public:
    std::optional<engine::PartCheck> part;
    std::optional<engine::DoneCheck> done;

    void log(const QString &) override {}
    void notice(const engine::Notice &) override {}
    void progress(qint64, qint64) override {}
    void resetProgress() override {}
    void restart(const engine::Restart &) override {}
    void partCheck(const engine::PartCheck &check) override;
    void doneCheck(const engine::DoneCheck &check) override;
    void blankCheck(const engine::BlankCheck &) override {}
    void result(const engine::JobResult &) override {}
};

#endif
