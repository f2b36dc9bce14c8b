#ifndef FELDMOOR_OPENOCD_WIDE_TEXT_H
#define FELDMOOR_OPENOCD_WIDE_TEXT_H

// Windows only: the wide (UTF-16) text of the system API and the UTF-8 the
// rest of the program uses.

#include <string>
#include <string_view>

std::wstring toWide(std::string_view utf8);
std::string fromWide(std::wstring_view wide);

// The system's message for an error code of GetLastError().
std::string systemErrorText(unsigned long code);

#endif
