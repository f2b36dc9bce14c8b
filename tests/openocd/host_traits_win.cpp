#include "host_traits.h"

AwkwardNames awkwardNames()
{
    // Quotes and line feeds are not allowed in Windows file names.
    return {"my designs [v2] {x} $y;z 'q' \xc3\xbc", "top \xc3\xa9"};
}

std::string nativeSeparators(const std::string &path)
{
    std::string native = path;
    for (char &c : native) {
        if (c == '/')
            c = '\\';
    }
    return native;
}

double extraRunSeconds()
{
    return 2.0;
}
