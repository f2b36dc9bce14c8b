#include "cli/adapterprobe.h"

#include "adapter/qb562.h"

namespace cli {

QList<unsigned> presentAdapters()
{
    QList<unsigned> present;
    for (ULONG index = 0; index < kQB562AdapterSlots; ++index) {
        if (QB562OpenDevice(index) == -1)
            continue;
        present << static_cast<unsigned>(index);
        QB562CloseDevice(index);
    }
    return present;
}

} // namespace cli
