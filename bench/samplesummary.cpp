#include "samplesummary.h"

#include <algorithm>

namespace {

double percentile(const std::vector<double> &sorted, double fraction)
{
    const double rank = fraction * double(sorted.size() - 1);
    const std::size_t below = std::size_t(rank);
    if (below + 1 >= sorted.size())
        return sorted.back();
    const double weight = rank - double(below);
    return sorted[below] + (sorted[below + 1] - sorted[below]) * weight;
}

} // namespace

SampleSummary summarize(std::vector<double> samples)
{
    SampleSummary summary;
    if (samples.empty())
        return summary;
    std::sort(samples.begin(), samples.end());
    summary.count = samples.size();
    summary.min = samples.front();
    summary.p10 = percentile(samples, 0.1);
    summary.median = percentile(samples, 0.5);
    summary.p90 = percentile(samples, 0.9);
    summary.max = samples.back();
    return summary;
}
