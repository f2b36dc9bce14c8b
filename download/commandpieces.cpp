#include "download/commandpieces.h"

#include "download/tclquote.h"

namespace commandpiece {

QStringList adapter(const AdapterSelection &selection)
{
    QStringList pieces{QStringLiteral("adapter driver qb562; qb562 vid_pid 0x1a86 0x55dd;")};
    if (!selection.serial.isEmpty())
        pieces << QLatin1String("adapter serial ") + tclQuoteWord(selection.serial) + QLatin1Char(';');
    else if (!selection.usbLocation.isEmpty())
        pieces << QLatin1String("adapter usb location ") + tclQuoteWord(selection.usbLocation) + QLatin1Char(';');
    return pieces;
}

QString clock(const QString &clockText)
{
    return QLatin1String("adapter speed ") + clockKilohertz(clockText) + QLatin1Char(';');
}

QString familyScript(const PartFamily &family)
{
    const QString source = QLatin1String("source [find cpld/") + family.script + QLatin1String("];");
    if (family.partVariable.isEmpty())
        return source;
    return QLatin1String("set ") + family.partVariable + QLatin1Char(' ') + tclQuoteWord(family.partValue) +
           QLatin1String("; ") + source;
}

QString jtagspiScript()
{
    return QStringLiteral("source [find cpld/jtagspi.cfg];");
}

QString init()
{
    return QStringLiteral("init;");
}

QString bitLoad(const QString &filePath)
{
    return QLatin1String("init; pld load 0 ") + tclQuoteWord(filePath);
}

QString proxyInit(const QString &proxyPath)
{
    return QLatin1String("init; jtagspi_init 0 ") + tclQuoteWord(proxyPath) + QLatin1Char(';');
}

QString proxyProbe(const QString &proxyPath)
{
    return QLatin1String("init; if {[catch {flash probe 0}]} {jtagspi_init 0 ") + tclQuoteWord(proxyPath) +
           QLatin1String("};");
}

QString offsetText(quint32 offset)
{
    return QLatin1String("0x") + QString::number(offset, 16);
}

QString flashWrite(const QString &filePath, quint32 offset)
{
    return QLatin1String("jtagspi_program ") + tclQuoteWord(filePath) + QLatin1Char(' ') + offsetText(offset) +
           QLatin1Char(';');
}

QString flashVerify(const QString &filePath, quint32 offset)
{
    return QLatin1String("flash verify_bank 0 ") + tclQuoteWord(filePath) + QLatin1Char(' ') + offsetText(offset) +
           QLatin1Char(';');
}

QString flashReadBank(const QString &filePath, quint32 offset, std::optional<quint32> length)
{
    return QLatin1String("flash read_bank 0 ") + tclQuoteWord(filePath) + QLatin1Char(' ') + offsetText(offset) +
           (length ? QLatin1Char(' ') + offsetText(*length) : QString()) + QLatin1Char(';');
}

QString flashEraseAddress(quint32 offset, quint32 length)
{
    return QLatin1String("flash erase_address ") + offsetText(offset) + QLatin1Char(' ') + offsetText(length) +
           QLatin1Char(';');
}

QString flashEraseSectors(quint32 first, quint32 last)
{
    return QStringLiteral("flash erase_sector 0 %1 %2;").arg(first).arg(last);
}

QString setVariable(const QString &name, const QString &value)
{
    return QLatin1String("set ") + name + QLatin1Char(' ') + tclQuoteWord(value) + QLatin1Char(';');
}

QString flashWriteBank(const QString &fileWord, quint32 offset)
{
    return QLatin1String("flash write_bank 0 ") + fileWord + QLatin1Char(' ') + offsetText(offset) + QLatin1Char(';');
}

QString flashVerifyBank(const QString &fileWord, quint32 offset)
{
    return QLatin1String("flash verify_bank 0 ") + fileWord + QLatin1Char(' ') + offsetText(offset) + QLatin1Char(';');
}

QString flashEraseAll()
{
    return QStringLiteral("flash erase_sector 0 0 last;");
}

QString flashBanks()
{
    return QStringLiteral("flash banks;");
}

QString flashInfo()
{
    return QStringLiteral("flash info 0;");
}

QString statusRead()
{
    return QStringLiteral("init; virtex2 read_stat 0;");
}

QString reload(const PartFamily &family)
{
    const QString prefix = tclQuoteWord(family.facts ? QLatin1String(family.facts->chip) : family.prefix);
    return prefix + QLatin1String("_program ") + prefix + QLatin1String(".tap;");
}

QString exit()
{
    return QStringLiteral("exit");
}

QStringList arguments(const QStringList &pieces)
{
    QStringList arguments;
    arguments.reserve(pieces.size() * 2);
    for (const QString &piece : pieces)
        arguments << QStringLiteral("-c") << piece;
    return arguments;
}

} // namespace commandpiece
