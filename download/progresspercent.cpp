#include "download/progresspercent.h"

#include <cmath>

namespace {

// 2^31 is exact in single precision, unlike INT_MAX, which rounds up to it.
constexpr float intRangeEnd = 2147483648.0f;

} // namespace

std::optional<ProgressPercent> progressPercent(int bytesWritten, quint32 fileSize)
{
    if (fileSize == 0)
        return std::nullopt;
    const float exact = float(bytesWritten) / float(fileSize) * 100.0f;
    // Converting a float outside int's range is undefined, so such a value
    // (a report far past the file size) is dropped rather than shown.
    if (!std::isfinite(exact) || exact >= intRangeEnd || exact < -intRangeEnd)
        return std::nullopt;
    return ProgressPercent{ exact, static_cast<int>(exact) };
}
