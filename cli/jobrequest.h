#ifndef FELDMOOR_CLI_JOBREQUEST_H
#define FELDMOOR_CLI_JOBREQUEST_H

#include "download/commandcomposition.h"

#include <QString>

#include <optional>

namespace cli {

// One job for the runner: what to run, and what the board must turn out to be.
struct JobRequest {
    enum class Mode { Load, Detect, Verify };
    Mode mode = Mode::Load;
    // The window's request for the same load, so both compose the same
    // command; its part name composes the commands (script, proxy, TAP).
    DownloadRequest load{QString(), QString(), FileKind::Bin, QString(), QString()};
    // The adapter the job's runs open; empty when only one is attached.
    AdapterSelection adapter;
    qint64 fileSize = 0;
    QString expectedPart;  // what the file (or --part) says the board holds
    QString claimSource;   // where that came from: "the .bit header", "the IDCODE packet", "--part"
    int retries = 3;
    bool force = false;
    std::optional<double> timeoutSeconds;
};

} // namespace cli

#endif
