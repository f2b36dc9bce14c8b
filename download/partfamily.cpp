#include "download/partfamily.h"

namespace {

PartFamily familyIn(const QString &partName, feldmoor::FamilyScope scope)
{
    PartFamily family;
    family.prefix = partName.mid(0, 3);
    if (family.prefix.size() == 3)
        family.facts = feldmoor::findFamily(family.prefix.toLatin1().constData(), scope);
    if (family.facts) {
        family.script = QLatin1String(family.facts->script);
        if (family.facts->partVariable) {
            family.partVariable = QLatin1String(family.facts->partVariable);
            family.partValue = partName.toUpper();
        }
    }
    return family;
}

} // namespace

PartFamily partFamily(const QString &partName)
{
    return familyIn(partName, feldmoor::FamilyScope::Loader);
}

PartFamily windowPartFamily(const QString &partName)
{
    return familyIn(partName, feldmoor::FamilyScope::Window);
}
