#include "host_traits.h"

AwkwardNames awkwardNames()
{
    return {"odd [dir] {x} $y;z \"q\" \\b", "top\nline"};
}

std::string nativeSeparators(const std::string &path)
{
    return path;
}

double extraRunSeconds()
{
    return 0.0;
}
