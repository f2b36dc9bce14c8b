// Real adapters on Windows: the vendor's library numbers them but says
// nothing more, so where each one sits comes from SetupAPI. The adapters are
// taken to be numbered in the order SetupAPI lists the present devices, which
// is the order of the system's own device enumeration that the library also
// walks; that has not been checked against the vendor's library.

#include "adapter/hardwareadapters.h"

#include "adapter/usblocation.h"
#include "feldmoor/projectfacts.h"
#include "platform/qb562/deviceid.h"

#include <windows.h>

#include <setupapi.h>

#include <cctype>
#include <string_view>

namespace feldmoor {

namespace {

constexpr std::string_view kRootHubPrefix = "USB\\ROOT_HUB";

// SPDRP_LOCATION_PATHS, a REG_MULTI_SZ; empty when the device has none.
std::string locationPaths(HDEVINFO devices, SP_DEVINFO_DATA &device)
{
    DWORD type = 0;
    DWORD size = 0;
    ::SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_LOCATION_PATHS, &type, nullptr, 0, &size);
    if (size == 0)
        return {};
    std::string paths(size, '\0');
    if (!::SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_LOCATION_PATHS, &type,
                                             reinterpret_cast<BYTE *>(&paths[0]), size, &size) ||
        type != REG_MULTI_SZ)
        return {};
    paths.resize(size);
    return paths;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

}

std::vector<AdapterIdentity> hardwareAdapterIdentities(const std::vector<unsigned> &indices)
{
    std::vector<AdapterIdentity> identities;
    for (unsigned index : indices)
        identities.push_back({index, {}, {}});

    const HDEVINFO devices = ::SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return identities;
    const std::string hardwareId = qb562::deviceIdText(kAdapterVendorId, kAdapterProductId);
    std::vector<std::string> rootHubs;
    struct Found {
        std::string serial;
        std::string paths;
    };
    std::vector<Found> adapters;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        char id[512] = {};
        if (!::SetupDiGetDeviceInstanceIdA(devices, &device, id, sizeof id, nullptr))
            continue;
        if (startsWithIgnoringCase(id, kRootHubPrefix)) {
            // A hub's own location path ends in its USBROOT(n).
            const std::string paths = locationPaths(devices, device);
            rootHubs.push_back(paths.substr(0, paths.find('\0')));
        } else if (std::optional<std::string> serial = adapterSerialFromInstanceId(id, hardwareId)) {
            adapters.push_back({*serial, locationPaths(devices, device)});
        }
    }
    ::SetupDiDestroyDeviceInfoList(devices);

    for (AdapterIdentity &identity : identities) {
        if (identity.index >= adapters.size())
            continue;
        const Found &found = adapters[identity.index];
        identity.location = usbLocationFromLocationPaths(found.paths, rootHubs);
        identity.serial = found.serial;
    }
    return identities;
}

}
