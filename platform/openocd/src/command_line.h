#ifndef FELDMOOR_OPENOCD_COMMAND_LINE_H
#define FELDMOOR_OPENOCD_COMMAND_LINE_H

#include <string>
#include <vector>

struct CommandLine {
    std::vector<std::string> commands;  // the texts after each -c, in order
    bool help = false;
    bool version = false;
};

// Accepts "-c <text>" (also --command), -h/--help and -v/--version. Throws
// SimError for anything else.
CommandLine parseCommandLine(int argc, const char *const *argv);

std::string usageText();

#endif
