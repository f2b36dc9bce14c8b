#ifndef FELDMOOR_ADAPTERLIB_TESTREPORT_H
#define FELDMOOR_ADAPTERLIB_TESTREPORT_H

// Collects the checks of one test program, says which failed, and turns the
// tally into the program's exit status.

#include <string>

class TestReport {
public:
    void check(bool ok, const std::string &what);
    // Prints "N passed, N failed" and returns the exit status for main.
    int finish() const;

private:
    int passed_ = 0;
    int failed_ = 0;
};

#endif
