#include "simbus.h"

#include "adapterslots.h"
#include "plaindirectory.h"

#include <cstring>

namespace qb562 {

namespace {

constexpr char kPrefix[] = "adapter";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;

}

std::string adapterDirName(unsigned index)
{
    return kPrefix + std::to_string(index);
}

int adapterIndexFromDirName(const char *name)
{
    if (name == nullptr || std::strncmp(name, kPrefix, kPrefixLength) != 0)
        return -1;
    const char *digits = name + kPrefixLength;
    const std::size_t length = std::strlen(digits);
    if (length == 0 || length > 2 || (length == 2 && digits[0] == '0'))
        return -1;
    unsigned index = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return -1;
        index = index * 10 + static_cast<unsigned>(digits[i] - '0');
    }
    return index < kAdapterSlots ? static_cast<int>(index) : -1;
}

bool adapterPresent(const std::string &busDir, unsigned index)
{
    return isPlainDirectory(busDir + '/' + adapterDirName(index));
}

}
