#ifndef FELDMOOR_CLI_ADAPTERPROBE_H
#define FELDMOOR_CLI_ADAPTERPROBE_H

#include <QList>

namespace cli {

// The adapter indices that open, each closed again at once: the window's
// start-up probe, through the same library calls.
QList<unsigned> presentAdapters();

} // namespace cli

#endif
