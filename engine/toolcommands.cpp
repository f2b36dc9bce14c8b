#include "engine/toolcommands.h"

#include "download/commandpieces.h"

namespace engine {

namespace piece = commandpiece;

DownloadCommand composeDetectCommand(const DownloadRequest &load, const AdapterSelection &adapter)
{
    return {openocdProgramPath(load.applicationDir),
            piece::arguments(piece::adapter(adapter) << piece::clock(load.clockText) << piece::init() << piece::exit())};
}

DownloadCommand composeReadStatusCommand(const DownloadRequest &load, const AdapterSelection &adapter)
{
    return {openocdProgramPath(load.applicationDir),
            piece::arguments(piece::adapter(adapter) << piece::clock(load.clockText)
                                                     << piece::familyScript(partFamily(load.partName))
                                                     << piece::statusRead() << piece::exit())};
}

DownloadCommand composeFlashCommand(const DownloadRequest &load, const AdapterSelection &adapter,
                                    const QStringList &pieces)
{
    return {openocdProgramPath(load.applicationDir),
            piece::arguments(piece::adapter(adapter)
                             << piece::clock(load.clockText) << piece::familyScript(partFamily(load.partName))
                             << piece::jtagspiScript()
                             << piece::proxyInit(proxyBitstreamPath(load.applicationDir, load.partName)) << pieces
                             << piece::exit())};
}

DownloadCommand composeFlashCommandOnProxy(const DownloadRequest &load, const AdapterSelection &adapter,
                                           const QStringList &pieces)
{
    return {openocdProgramPath(load.applicationDir),
            piece::arguments(piece::adapter(adapter)
                             << piece::clock(load.clockText) << piece::familyScript(partFamily(load.partName))
                             << piece::jtagspiScript()
                             << piece::proxyProbe(proxyBitstreamPath(load.applicationDir, load.partName)) << pieces
                             << piece::exit())};
}

DownloadCommand composeReloadCommand(const DownloadRequest &load, const AdapterSelection &adapter)
{
    const PartFamily family = partFamily(load.partName);
    return {openocdProgramPath(load.applicationDir),
            piece::arguments(piece::adapter(adapter) << piece::clock(load.clockText) << piece::familyScript(family)
                                                     << piece::init() << piece::reload(family) << piece::exit())};
}

DownloadCommand composeVerifyCommand(const DownloadRequest &load, const AdapterSelection &adapter, quint32 offset)
{
    return composeFlashCommand(load, adapter, {piece::flashVerify(load.filePath, offset)});
}

} // namespace engine
