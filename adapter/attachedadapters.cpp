#include "adapter/attachedadapters.h"

#include "adapter/hardwareadapters.h"
#include "adapter/qb562.h"
#include "platform/qb562/simbus.h"

#include <cstdlib>
#include <fstream>

namespace feldmoor {

namespace {

// The first line of a small file, without surrounding blanks; empty when the
// file is absent or unreadable.
std::string firstLine(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// The same test the adapter library makes when it picks its backend, so that
// identities and indices always come from the same bus.
const char *simulatedBus()
{
    const char *bus = std::getenv("QB562_SIM_DIR");
    return bus != nullptr && *bus != '\0' ? bus : nullptr;
}

}

std::vector<unsigned> attachedAdapterIndices()
{
    std::vector<unsigned> attached;
    for (ULONG index = 0; index < kQB562AdapterSlots; ++index) {
        if (QB562OpenDevice(index) == -1)
            continue;
        attached.push_back(static_cast<unsigned>(index));
        QB562CloseDevice(index);
    }
    return attached;
}

std::string defaultSimulatedLocation(unsigned index)
{
    return "1-" + std::to_string(index + 1);
}

std::vector<AdapterIdentity> attachedAdapters()
{
    const std::vector<unsigned> indices = attachedAdapterIndices();
    const char *bus = simulatedBus();
    if (bus == nullptr)
        return hardwareAdapterIdentities(indices);
    std::vector<AdapterIdentity> adapters;
    for (unsigned index : indices) {
        const std::string dir = std::string(bus) + '/' + qb562::adapterDirName(index);
        std::string location = firstLine(dir + "/usb-location");
        if (location.empty())
            location = defaultSimulatedLocation(index);
        adapters.push_back({index, location, firstLine(dir + "/serial")});
    }
    return adapters;
}

}
