#ifndef FELDMOOR_CLI_ADAPTERCHOICE_H
#define FELDMOOR_CLI_ADAPTERCHOICE_H

#include "adapter/attachedadapters.h"

#include "download/commandcomposition.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace cli {

struct ChosenAdapter {
    feldmoor::AdapterIdentity identity;
    AdapterSelection selection;  // empty: the one attached adapter, as the window opens it
};

struct AdapterChoice {
    QList<ChosenAdapter> chosen;  // empty without error: none attached, the job says so
    int errorCode = 0;
    QString error;
};

// What --adapter picks among the attached adapters: a location ("1-2.3"),
// "serial=TEXT", an index as `adapters` prints it, or "all". Without one,
// the only attached adapter; several attached are refused rather than the
// first taken silently.
AdapterChoice chooseAdapters(const QStringList &selectors, const std::vector<feldmoor::AdapterIdentity> &attached);

// "0 at 1-2 (serial ABC)", as the refusals and `adapters` name it.
QString adapterText(const feldmoor::AdapterIdentity &identity);

} // namespace cli

#endif
