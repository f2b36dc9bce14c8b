#include "adapter_bus.h"

#include "adapter/qb562.h"

std::optional<unsigned> lowestAttachedAdapter()
{
    for (unsigned index = 0; index < kQB562AdapterSlots; ++index) {
        if (QB562OpenDevice(index) != -1) {
            QB562CloseDevice(index);
            return index;
        }
    }
    return std::nullopt;
}
