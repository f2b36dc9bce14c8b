#ifndef FELDMOOR_TESTS_RECORDINGTOOL_H
#define FELDMOOR_TESTS_RECORDINGTOOL_H

// What the recording programming tool does differently per platform.

#include <string>
#include <vector>

// Lets bytes go out exactly as planned: no CR is added before LF.
void useBinaryOutput();

// The arguments as the window passed them, in UTF-8, before any code page.
std::vector<std::string> receivedArguments(int argc, char **argv);

// Ends the tool the way a crash does, so the window sees an abnormal end.
[[noreturn]] void crash();

#endif
