#include "download/commandcomposition.h"

#include "download/partfamily.h"
#include "download/tclquote.h"

#include <QtGlobal>

QString clockKilohertz(const QString &clockText)
{
    const int hertz = clockText.toInt(nullptr, 10);
    return QString::number(hertz / 1000);
}

QString openocdProgramPath(const QString &applicationDir)
{
#ifdef Q_OS_WIN
    return applicationDir + QLatin1String("\\OpenOCD_QB562\\bin\\openocd.exe");
#else
    return applicationDir + QLatin1String("/OpenOCD_QB562/bin/openocd.exe");
#endif
}

QString proxyBitstreamPath(const QString &applicationDir, const QString &partName)
{
    return applicationDir + QLatin1String("/FPGABit/bscan_spi_") + partName + QLatin1String(".bit");
}

DownloadCommand composeDownloadCommand(const DownloadRequest &request)
{
    const PartFamily family = partFamily(request.partName);
    const QString file = tclQuoteWord(request.filePath);

    DownloadCommand command;
    command.program = openocdProgramPath(request.applicationDir);

    QStringList &args = command.arguments;
    args << QStringLiteral("-c") << QStringLiteral("adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;");
    args << QStringLiteral("-c") << QLatin1String("adapter speed ") + clockKilohertz(request.clockText) + QLatin1Char(';');
    args << QStringLiteral("-c") << QLatin1String("source [find cpld/") + family.script + QLatin1String("];");
    args << QStringLiteral("-c") << QStringLiteral("source [find cpld/jtagspi.cfg];");

    if (request.kind == FileKind::Bit) {
        args << QStringLiteral("-c") << QLatin1String("init; pld load 0 ") + file;
    } else {
        const QString proxy = tclQuoteWord(proxyBitstreamPath(request.applicationDir, request.partName));
        const QString prefix = tclQuoteWord(family.prefix);
        args << QStringLiteral("-c") << QLatin1String("init; jtagspi_init 0 ") + proxy + QLatin1Char(';');
        args << QStringLiteral("-c") << QLatin1String("jtagspi_program ") + file + QLatin1String(" 0x0;");
        // Reconfigures the FPGA from the freshly written flash.
        args << QStringLiteral("-c") << prefix + QLatin1String("_program ") + prefix + QLatin1String(".tap;");
    }
    args << QStringLiteral("-c") << QStringLiteral("exit");
    return command;
}
