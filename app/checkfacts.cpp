#include "app/checkfacts.h"

void CheckFacts::partCheck(const engine::PartCheck &check)
{
    part = check;
}

void CheckFacts::doneCheck(const engine::DoneCheck &check)
{
    done = check;
}
