#include "deviceid.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qb562 {

namespace {

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}

std::string deviceIdText(std::uint16_t vendor, std::uint16_t product)
{
    char text[sizeof "VID_XXXX&PID_XXXX"];
    std::snprintf(text, sizeof text, "VID_%04X&PID_%04X", unsigned{vendor}, unsigned{product});
    return text;
}

bool deviceIdMatches(const std::string &id, const char *filter)
{
    if (filter == nullptr)
        return false;
    return upperCase(id).find(upperCase(filter)) != std::string::npos;
}

bool isAdapter(const UsbIds &ids)
{
    return ids.vendor == kAdapterVendorId && ids.product == kAdapterProductId;
}

std::optional<std::size_t> adapterPosition(const std::vector<UsbIds> &devices, std::uint32_t index)
{
    std::uint32_t seen = 0;
    for (std::size_t position = 0; position < devices.size(); ++position) {
        if (!isAdapter(devices[position]))
            continue;
        if (seen == index)
            return position;
        ++seen;
    }
    return std::nullopt;
}

}
