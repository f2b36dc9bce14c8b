#include "cli/toolcommands.h"

#include "download/commandpieces.h"

namespace cli {

namespace piece = commandpiece;

DownloadCommand composeDetectCommand(const QString &applicationDir, const QString &clockText)
{
    return {openocdProgramPath(applicationDir),
            piece::arguments({piece::adapter(), piece::clock(clockText), piece::init(), piece::exit()})};
}

DownloadCommand composeReadStatusCommand(const QString &applicationDir, const QString &partName,
                                         const QString &clockText)
{
    return {openocdProgramPath(applicationDir),
            piece::arguments({piece::adapter(), piece::clock(clockText), piece::familyScript(partFamily(partName)),
                              piece::statusRead(), piece::exit()})};
}

DownloadCommand composeFlashCommand(const QString &applicationDir, const QString &partName, const QString &clockText,
                                    const QStringList &pieces)
{
    return {openocdProgramPath(applicationDir),
            piece::arguments(QStringList{piece::adapter(), piece::clock(clockText),
                                         piece::familyScript(partFamily(partName)), piece::jtagspiScript(),
                                         piece::proxyInit(proxyBitstreamPath(applicationDir, partName))} +
                             pieces + QStringList{piece::exit()})};
}

DownloadCommand composeReloadCommand(const QString &applicationDir, const QString &partName,
                                     const QString &clockText)
{
    const PartFamily family = partFamily(partName);
    return {openocdProgramPath(applicationDir),
            piece::arguments({piece::adapter(), piece::clock(clockText), piece::familyScript(family), piece::init(),
                              piece::reload(family), piece::exit()})};
}

DownloadCommand composeVerifyCommand(const QString &applicationDir, const QString &partName,
                                     const QString &clockText, const QString &filePath, quint32 offset)
{
    return composeFlashCommand(applicationDir, partName, clockText, {piece::flashVerify(filePath, offset)});
}

} // namespace cli
