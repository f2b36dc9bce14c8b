#ifndef FELDMOOR_OPENOCD_NATIVE_PROCESS_H
#define FELDMOOR_OPENOCD_NATIVE_PROCESS_H

#include <string>
#include <vector>

// The program's arguments in UTF-8, argv[0] first. On Windows they are taken
// from the wide command line, since argv holds only what the ANSI code page
// can spell.
std::vector<std::string> programArguments(int argc, char **argv);

// The folder of the running executable, separated by "/".
std::string executableDir();

unsigned long processId();

// The value of an environment variable in UTF-8; empty when unset.
std::string environmentVariable(const char *name);

#endif
