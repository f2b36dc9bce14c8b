#include "modelled_parts.h"

const feldmoor::PartFacts *modelledPart(const std::string &part)
{
    const feldmoor::PartFacts *facts = feldmoor::findPart(part.c_str());
    if (!facts || facts->irLength != 6)
        return nullptr;
    if (part.compare(0, 3, "xc7") == 0 || part.compare(0, 4, "xcku") == 0)
        return facts;
    return nullptr;
}
