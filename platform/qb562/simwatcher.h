#ifndef FELDMOOR_QB562_SIMWATCHER_H
#define FELDMOOR_QB562_SIMWATCHER_H

// The event thread of the simulated bus: turns adapter directories coming and
// going into plug and unplug notifications. How the bus directory is watched
// is the platform's business (inotify on Linux, change notifications on
// Windows); what is reported, and when, is the same everywhere.

#include "adapterslots.h"

#include <bitset>
#include <memory>
#include <string>

namespace qb562 {

class NotifyRegistry;

class SimWatcher {
public:
    SimWatcher(std::string busDir, NotifyRegistry &registry);
    SimWatcher(const SimWatcher &) = delete;
    SimWatcher &operator=(const SimWatcher &) = delete;

    // Arms the watch before returning, so that nothing plugged after this call
    // is missed, then hands over to a detached thread that owns all members.
    // Adapters already on the bus count as present, not as arrivals. A missing
    // bus directory is not an error: it is watched for until it appears.
    bool start();

private:
    // The platform's watch on the bus directory and the thread's loop. Only
    // the platform's file knows it whole, so that file also deletes it.
    struct Native;
    struct NativeDeleter {
        void operator()(Native *native) const;
    };

    void rescan(bool report);
    void setPresent(unsigned index, bool present);

    const std::string busDir_;
    const std::string deviceId_;
    NotifyRegistry &registry_;
    // What the callbacks were last told, so that a rescan after the bus came
    // back, or after events were lost, reports only real changes.
    std::bitset<kAdapterSlots> present_;
    std::unique_ptr<Native, NativeDeleter> native_;
};

}

#endif
