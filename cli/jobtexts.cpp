#include "cli/jobtexts.h"

namespace cli {

QString hex32(quint32 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

QString boardFoundText(const PartCheck &check)
{
    if (!check.idcode)
        return QStringLiteral("nothing (the JTAG chain is empty)");
    if (check.boardPart.isEmpty())
        return QStringLiteral("IDCODE %1, which is not in the catalogue").arg(hex32(*check.idcode));
    return QStringLiteral("%1 (IDCODE %2)").arg(check.boardPart, hex32(*check.idcode));
}

QString partCheckText(const PartCheck &check)
{
    if (check.ok)
        return QStringLiteral("part check passed: the board holds %1, as %2 says")
            .arg(boardFoundText(check), check.claimSource);
    QString wanted = check.expectedPart + QLatin1String(" (") + check.claimSource + QLatin1Char(')');
    if (!check.commandPart.isEmpty())
        wanted += QLatin1String(", but the commands would be for ") + check.commandPart + QLatin1String(" (--part)");
    return QLatin1String("part mismatch: the board holds ") + boardFoundText(check) +
           QLatin1String(", the file is for ") + wanted;
}

QString doneCheckText(const DoneCheck &check)
{
    if (!check.high)
        return QLatin1String("DONE not checked for ") + check.family;
    return QStringLiteral("DONE is %1 (status register %2)").arg(*check.high ? "high" : "low", hex32(check.status));
}

} // namespace cli
