#include "testreport.h"

#include <cstdio>

void TestReport::check(bool ok, const std::string &what)
{
    if (ok) {
        ++passed_;
    } else {
        ++failed_;
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    }
}

int TestReport::finish() const
{
    std::printf("%d passed, %d failed\n", passed_, failed_);
    return failed_ == 0 ? 0 : 1;
}
