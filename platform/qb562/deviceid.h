#ifndef FELDMOOR_QB562_DEVICEID_H
#define FELDMOOR_QB562_DEVICEID_H

// How the library names USB devices and picks adapters out of the bus. Kept
// free of libusb so that it can be exercised without a device attached.

#include "feldmoor/projectfacts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qb562 {

using feldmoor::kAdapterVendorId;
using feldmoor::kAdapterProductId;

struct UsbIds {
    std::uint16_t vendor;
    std::uint16_t product;
};

// "VID_1A86&PID_55DD": the form Windows gives a device's hardware id, which is
// what callers write their notification filters against.
std::string deviceIdText(std::uint16_t vendor, std::uint16_t product);

// True when `id` contains `filter`, ignoring case. A null filter matches nothing.
bool deviceIdMatches(const std::string &id, const char *filter);

bool isAdapter(const UsbIds &ids);

// Where in `devices` (bus order) the adapter that callers know as `index`
// sits: adapters are numbered among themselves, other devices do not count.
std::optional<std::size_t> adapterPosition(const std::vector<UsbIds> &devices, std::uint32_t index);

}

#endif
