#ifndef FELDMOOR_QB562_SIMWATCHER_H
#define FELDMOOR_QB562_SIMWATCHER_H

// The event thread of the simulated bus: turns adapter directories coming and
// going into plug and unplug notifications, using inotify on the bus directory.

#include "adapterslots.h"

#include <bitset>
#include <string>

struct inotify_event;

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
    void run();
    bool arm();
    void disarm();
    void readEvents();
    void handle(const inotify_event &event);
    void rescan(bool report);
    void setPresent(unsigned index, bool present);

    const std::string busDir_;
    const std::string deviceId_;
    NotifyRegistry &registry_;
    int inotifyFd_ = -1;
    int watch_ = -1;
    // What the callbacks were last told, so that a rescan after the bus came
    // back, or after the event queue overflowed, reports only real changes.
    std::bitset<kAdapterSlots> present_;
};

}

#endif
