#ifndef FELDMOOR_BENCH_SAMPLESUMMARY_H
#define FELDMOOR_BENCH_SAMPLESUMMARY_H

#include <cstddef>
#include <vector>

struct SampleSummary {
    std::size_t count = 0;
    double min = 0;
    double p10 = 0;
    double median = 0;
    double p90 = 0;
    double max = 0;
};

// Percentiles interpolate linearly between the two nearest ranks, so the
// median of an even count is the mean of the middle two. An empty set gives
// count 0 and zeros.
SampleSummary summarize(std::vector<double> samples);

#endif
