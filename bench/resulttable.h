#ifndef FELDMOOR_BENCH_RESULTTABLE_H
#define FELDMOOR_BENCH_RESULTTABLE_H

#include "samplesummary.h"

#include <string>
#include <vector>

struct ResultRow {
    std::string figure;
    std::string unit;   // of the summary and the target alike
    SampleSummary summary;
    double target = 0;  // the median should stay below it; 0 for none
};

// A fixed-width text table, one line per row under a header line, with the
// target and whether the median is within it ("yes"/"no"; "-" when there is
// no target or no sample). Informational: nothing fails on it.
std::string formatResultTable(const std::vector<ResultRow> &rows);

#endif
