#include "download/filekind.h"

FileKind fileKindFromIndex(int index)
{
    return index == 0 ? FileKind::Bit : FileKind::Bin;
}
