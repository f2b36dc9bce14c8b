#ifndef FELDMOOR_CLI_TOOLCOMMANDS_H
#define FELDMOOR_CLI_TOOLCOMMANDS_H

#include "download/commandcomposition.h"

// The OpenOCD runs besides the load itself, cut from the window's own
// command list so that adapter, clock, scripts and proxy are the same.

// Adapter and clock, then `init` alone: OpenOCD auto-probes the chain.
DownloadCommand composeDetectCommand(const QString &applicationDir, const QString &clockText);

// The family script, `init` and `virtex2 read_stat 0`.
DownloadCommand composeReadStatusCommand(const QString &applicationDir, const QString &partName,
                                         const QString &clockText);

// The proxy, then `flash verify_bank 0 <file> 0x0` instead of the write.
DownloadCommand composeVerifyCommand(const QString &applicationDir, const QString &partName,
                                     const QString &clockText, const QString &filePath);

#endif
