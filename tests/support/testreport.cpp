#include "testreport.h"

#include <cstdio>

bool TestReport::check(bool ok, const std::string &what, const std::string &detail)
{
    if (ok) {
        ++passed_;
        return true;
    }
    ++failed_;
    std::printf("FAIL [%s] %s\n", name_.c_str(), what.c_str());
    if (!detail.empty())
        std::printf("  ---- detail ----\n%s\n  ----------------\n", detail.c_str());
    std::fflush(stdout);
    return false;
}

int TestReport::finish() const
{
    std::printf("%s: %d passed, %d failed\n", name_.c_str(), passed_, failed_);
    return failed_ == 0 ? 0 : 1;
}
