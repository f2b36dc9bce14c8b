#include "adapter_bus.h"

#include "adapter/qb562.h"

std::optional<unsigned> lowestAttachedAdapter()
{
    constexpr unsigned kIndices = 16;
    for (unsigned index = 0; index < kIndices; ++index) {
        if (QB562OpenDevice(index) != -1) {
            QB562CloseDevice(index);
            return index;
        }
    }
    return std::nullopt;
}
