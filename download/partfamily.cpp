#include "download/partfamily.h"

PartFamily partFamily(const QString &partName)
{
    PartFamily family;
    family.prefix = partName.mid(0, 3);
    if (family.prefix.size() == 3)
        family.facts = feldmoor::findFamily(family.prefix.toLatin1().constData());
    if (family.facts)
        family.script = QLatin1String(family.facts->script);
    return family;
}
