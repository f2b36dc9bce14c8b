#include "command_line.h"

#include "sim_error.h"

CommandLine parseCommandLine(int argc, const char *const *argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-c" || option == "--command") {
            if (i + 1 >= argc)
                throw SimError("option " + option + " needs a command text");
            line.commands.emplace_back(argv[++i]);
        } else if (option == "-h" || option == "--help") {
            line.help = true;
        } else if (option == "-v" || option == "--version") {
            line.version = true;
        } else {
            throw SimError("unknown option \"" + option + "\" (the Feldmoor OpenOCD simulator only takes -c)");
        }
    }
    return line;
}

std::string usageText()
{
    return "Usage: openocd.exe [-c <command text>]...\n"
           "  -c, --command <text>  evaluate <text> as Tcl; repeat for each command, in order\n"
           "  -v, --version         print the version and exit\n"
           "  -h, --help            print this help and exit\n"
           "The simulated adapter bus is $QB562_SIM_DIR; waits scale by $QB562_SIM_TIME_SCALE;\n"
           "$QB562_SIM_ARGS_LOG receives the arguments, each followed by a NUL byte.";
}
