#include "adapter_bus.h"

#include "sim_error.h"

bool AdapterSelector::matches(const feldmoor::AdapterIdentity &adapter) const
{
    return (location.empty() || adapter.location == location) && (serial.empty() || adapter.serial == serial);
}

std::string AdapterSelector::describe() const
{
    std::string text;
    if (!location.empty())
        text = "USB location " + location;
    if (!serial.empty())
        text += (text.empty() ? "" : " and ") + std::string("serial \"") + serial + "\"";
    return text;
}

std::optional<unsigned> lowestAttachedAdapter()
{
    const std::vector<unsigned> attached = feldmoor::attachedAdapterIndices();
    if (attached.empty())
        return std::nullopt;
    return attached.front();
}

unsigned selectedAdapter(const AdapterSelector &selector)
{
    const std::vector<feldmoor::AdapterIdentity> attached = feldmoor::attachedAdapters();
    std::string listed;
    for (const feldmoor::AdapterIdentity &adapter : attached) {
        if (selector.matches(adapter))
            return adapter.index;
        listed += (listed.empty() ? "" : "; ") + std::string("adapter ") + std::to_string(adapter.index) + " at " +
                  adapter.location + (adapter.serial.empty() ? " (no serial)" : " (serial \"" + adapter.serial + "\")");
    }
    throw SimError("no QB562 adapter with " + selector.describe() + " is attached to the simulated bus (" +
                   (listed.empty() ? std::string("none is attached") : "attached: " + listed) +
                   "); the Feldmoor OpenOCD simulator opened none");
}
