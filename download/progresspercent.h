#ifndef FELDMOOR_DOWNLOAD_PROGRESSPERCENT_H
#define FELDMOOR_DOWNLOAD_PROGRESSPERCENT_H

#include <QtGlobal>

#include <optional>

struct ProgressPercent {
    float exact; // shown in the log
    int whole;   // set on the progress bar
};

// exact = float(bytesWritten) / float(fileSize) * 100.0f — single precision, division first, fileSize converted as
// unsigned; whole = exact truncated toward zero. Nothing (std::nullopt) when fileSize is 0 or exact is not finite or
// beyond int range.
std::optional<ProgressPercent> progressPercent(int bytesWritten, quint32 fileSize);

#endif
