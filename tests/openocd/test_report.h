#ifndef FELDMOOR_OPENOCD_TEST_REPORT_H
#define FELDMOOR_OPENOCD_TEST_REPORT_H

#include <string>

// Counts checks of one test program and prints each failure with its context;
// finish() prints "N passed, N failed" and gives the exit status.
class TestReport {
public:
    explicit TestReport(std::string name) : name_(std::move(name)) {}

    // Records one check; on failure prints `what` and `detail`.
    bool check(bool ok, const std::string &what, const std::string &detail = {});
    int finish() const;

private:
    std::string name_;
    int passed_ = 0;
    int failed_ = 0;
};

#endif
