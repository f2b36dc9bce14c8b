#ifndef FELDMOOR_CLI_JOBREQUEST_H
#define FELDMOOR_CLI_JOBREQUEST_H

#include "download/commandcomposition.h"
#include "download/filekind.h"

#include <QString>

#include <optional>

// One job for the runner: what to run, and what the board must turn out to be.
struct JobRequest {
    enum class Mode { Load, Detect, Verify };
    Mode mode = Mode::Load;
    FileKind kind = FileKind::Bin;
    QString filePath;
    qint64 fileSize = 0;
    QString partName;      // composes the commands: script, proxy, TAP
    QString expectedPart;  // what the file (or --part) says the board holds
    QString claimSource;   // where that came from: "the .bit header", "the IDCODE packet", "--part"
    QString clockText;
    QString applicationDir;
    int retries = 3;
    bool force = false;
};

// The window's request for the same load, so both compose the same command.
DownloadRequest downloadRequest(const JobRequest &request);

#endif
