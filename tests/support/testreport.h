#ifndef FELDMOOR_TESTS_TESTREPORT_H
#define FELDMOOR_TESTS_TESTREPORT_H

// Collects the checks of one test program, prints each failure with its
// context, and turns the tally into the program's exit status.

#include <string>

class TestReport {
public:
    explicit TestReport(std::string name = {}) : name_(std::move(name)) {}

    // Records one check; on failure prints `what` and `detail`.
    bool check(bool ok, const std::string &what, const std::string &detail = {});
    // Prints "N passed, N failed" and returns the exit status for main.
    int finish() const;

private:
    std::string name_;
    int passed_ = 0;
    int failed_ = 0;
};

#endif
