#ifndef FELDMOOR_ENGINE_TOOLCOMMANDS_H
#define FELDMOOR_ENGINE_TOOLCOMMANDS_H

#include "download/commandcomposition.h"

namespace engine {

// The OpenOCD runs besides the load itself, made of the window's command
// pieces so that adapter, clock, scripts and proxy are the same as the
// load's (`load`: the window's request for it).

// Adapter and clock, then `init` alone: OpenOCD auto-probes the chain.
DownloadCommand composeDetectCommand(const DownloadRequest &load, const AdapterSelection &adapter);

// The family script, `init` and `virtex2 read_stat 0`.
DownloadCommand composeReadStatusCommand(const DownloadRequest &load, const AdapterSelection &adapter);

// The family and jtagspi scripts, `init` and the proxy, then `pieces`: a run
// on the flash, which the proxy makes bank 0.
DownloadCommand composeFlashCommand(const DownloadRequest &load, const AdapterSelection &adapter,
                                    const QStringList &pieces);

// As composeFlashCommand, but the proxy is loaded only when the flash bank
// can't be probed without it: for a run right after one that loaded it.
DownloadCommand composeFlashCommandOnProxy(const DownloadRequest &load, const AdapterSelection &adapter,
                                           const QStringList &pieces);

// The family script, `init` and the reconfiguration from flash.
DownloadCommand composeReloadCommand(const DownloadRequest &load, const AdapterSelection &adapter);

// The proxy, then `flash verify_bank 0 <file> <offset>` instead of the write.
DownloadCommand composeVerifyCommand(const DownloadRequest &load, const AdapterSelection &adapter, quint32 offset = 0);

} // namespace engine

#endif
