#ifndef FELDMOOR_OPENOCD_NATIVE_PROCESS_H
#define FELDMOOR_OPENOCD_NATIVE_PROCESS_H

#include <chrono>
#include <string>
#include <vector>

// The program's arguments in UTF-8, argv[0] first. On Windows they are taken
// from the wide command line, since argv holds only what the ANSI code page
// can spell.
std::vector<std::string> programArguments(int argc, char **argv);

// The folder of the running executable, separated by "/".
std::string executableDir();

unsigned long processId();

// Sleeps until `deadline`, never waking early (Windows sleeps in whole
// milliseconds, rounded down, which would cut short the gaps kept between
// chunks of output).
void sleepUntil(std::chrono::steady_clock::time_point deadline);

// The value of an environment variable in UTF-8; empty when unset.
std::string environmentVariable(const char *name);

#endif
