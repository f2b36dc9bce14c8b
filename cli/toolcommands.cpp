#include "cli/toolcommands.h"

#include "download/tclquote.h"

namespace {

// The window's list for a "BIN" run: "-c" before each of adapter, clock,
// family script, jtagspi script, proxy init, write, reload, exit.
constexpr int kFamilyScriptEnd = 6;
constexpr int kProxyInitEnd = 10;

DownloadCommand windowBinCommand(const QString &applicationDir, const QString &partName, const QString &clockText,
                                 const QString &filePath)
{
    DownloadRequest request;
    request.partName = partName;
    request.clockText = clockText;
    request.kind = FileKind::Bin;
    request.filePath = filePath;
    request.applicationDir = applicationDir;
    return composeDownloadCommand(request);
}

} // namespace

DownloadCommand composeDetectCommand(const QString &applicationDir, const QString &clockText)
{
    DownloadCommand command = windowBinCommand(applicationDir, QString(), clockText, QString());
    command.arguments = command.arguments.mid(0, 4);
    command.arguments << QStringLiteral("-c") << QStringLiteral("init;") << QStringLiteral("-c")
                      << QStringLiteral("exit");
    return command;
}

DownloadCommand composeReadStatusCommand(const QString &applicationDir, const QString &partName,
                                         const QString &clockText)
{
    DownloadCommand command = windowBinCommand(applicationDir, partName, clockText, QString());
    command.arguments = command.arguments.mid(0, kFamilyScriptEnd);
    command.arguments << QStringLiteral("-c") << QStringLiteral("init; virtex2 read_stat 0;") << QStringLiteral("-c")
                      << QStringLiteral("exit");
    return command;
}

DownloadCommand composeVerifyCommand(const QString &applicationDir, const QString &partName,
                                     const QString &clockText, const QString &filePath)
{
    DownloadCommand command = windowBinCommand(applicationDir, partName, clockText, filePath);
    command.arguments = command.arguments.mid(0, kProxyInitEnd);
    command.arguments << QStringLiteral("-c")
                      << QLatin1String("flash verify_bank 0 ") + tclQuoteWord(filePath) + QLatin1String(" 0x0;")
                      << QStringLiteral("-c") << QStringLiteral("exit");
    return command;
}
