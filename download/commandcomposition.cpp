#include "download/commandcomposition.h"

#include "download/commandpieces.h"

QString clockKilohertz(const QString &clockText)
{
    const int hertz = clockText.toInt(nullptr, 10);
    return QString::number(hertz / 1000);
}

QString proxyBitstreamPath(const QString &applicationDir, const QString &partName)
{
    return applicationDir + QLatin1String("/FPGABit/bscan_spi_") + partName + QLatin1String(".bit");
}

DownloadCommand composeDownloadCommand(const DownloadRequest &request, const AdapterSelection &adapter)
{
    return composeLoadCommand(request, adapter, windowPartFamily(request.partName));
}

DownloadCommand composeLoadCommand(const DownloadRequest &request, const AdapterSelection &adapter,
                                   const PartFamily &family)
{
    namespace piece = commandpiece;
    QStringList pieces = piece::adapter(adapter);
    pieces << piece::clock(request.clockText) << piece::familyScript(family) << piece::jtagspiScript();
    if (request.kind == FileKind::Bit) {
        pieces << piece::bitLoad(request.filePath);
    } else {
        pieces << piece::proxyInit(proxyBitstreamPath(request.applicationDir, request.partName))
               << piece::flashWrite(request.filePath, 0)
               // Reconfigures the FPGA from the freshly written flash.
               << piece::reload(family);
    }
    pieces << piece::exit();
    return {openocdProgramPath(request.applicationDir), piece::arguments(pieces)};
}
