#include "cli/jobtexts.h"

#include "engine/bytecount.h"

#include "download/familytable.h"

#include <QStringList>

#include <algorithm>

namespace cli {

using namespace engine;

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
    if (!check.fromFile)
        return QLatin1String("part mismatch: the board holds ") + boardFoundText(check) + QLatin1String(", not the ") +
               check.expectedPart + QLatin1String(" that --part names");
    QString wanted = check.expectedPart + QLatin1String(" (") + check.claimSource + QLatin1Char(')');
    if (!check.commandPart.isEmpty())
        wanted += QLatin1String(", but the commands would be for ") + check.commandPart + QLatin1String(" (--part)");
    return QLatin1String("part mismatch: the board holds ") + boardFoundText(check) +
           QLatin1String(", the file is for ") + wanted;
}

QString blankCheckText(const BlankCheck &check)
{
    const QString range = QStringLiteral("0x%1..0x%2")
                              .arg(check.offset, 8, 16, QLatin1Char('0'))
                              .arg(check.offset + check.size - 1, 8, 16, QLatin1Char('0'));
    if (check.nonBlank == 0)
        return range + QStringLiteral(" is blank (%1 bytes, all 0xFF)").arg(check.size);
    return range + QStringLiteral(" is not blank: the first byte other than 0xFF is at 0x%1, and %2 of its %3 bytes "
                                  "are not 0xFF")
                       .arg(check.firstNonBlank, 8, 16, QLatin1Char('0'))
                       .arg(check.nonBlank)
                       .arg(check.size);
}

QString noFamilyScriptText(const QString &part)
{
    QStringList prefixes;
    for (const feldmoor::FamilyFacts &family : feldmoor::kFamilies)
        prefixes << QLatin1String(family.prefix);
    std::sort(prefixes.begin(), prefixes.end());
    const QString last = prefixes.takeLast();
    return part + QLatin1String(" can't be loaded or verified here: OpenOCD is only given scripts for ") +
           prefixes.join(QLatin1String(", ")) + QLatin1String(" and ") + last +
           QLatin1String(" parts ('feldmoor-cli detect' still names it)");
}

} // namespace cli
