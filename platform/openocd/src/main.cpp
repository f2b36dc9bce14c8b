// openocd.exe of the Feldmoor build: a stand-in for the vendor's OpenOCD with
// the QB562 driver, running the window's "-c" command texts against a
// simulated adapter, FPGA and SPI flash (see README.md beside this folder).

#include "args_log.h"
#include "command_line.h"
#include "console.h"
#include "native_process.h"
#include "pacer.h"
#include "session.h"
#include "sim_error.h"
#include "sim_version.h"
#include "tcl_commands.h"
#include "tcl_sandbox.h"

#include <jim.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Runs the command texts in order; the exit status of the program.
int runCommands(Jim_Interp *interp, Session &session, const std::vector<std::string> &commands)
{
    Console &console = session.console();
    for (const std::string &command : commands) {
        const int rc = Jim_EvalSource(interp, "command line", 1, command.c_str());
        if (rc == JIM_EXIT)
            return 0;
        if (rc != JIM_OK && rc != JIM_RETURN) {
            const std::string message = Jim_String(Jim_GetResult(interp));
            // A command that has said all there is (as OpenOCD's do when they
            // fail after printing) leaves no message to add.
            if (rc != JIM_ERR)
                console.error("unexpected \"" + std::string(Jim_ReturnCode(rc)) + "\" in: " + command);
            else if (!message.empty())
                console.error(message);
            return 1;
        }
    }
    // Running out of commands ends the program like "exit" does.
    try {
        session.reachExit();
    } catch (const SimError &e) {
        console.error(e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments = programArguments(argc, argv);
    std::vector<const char *> args;
    for (const std::string &argument : arguments)
        args.push_back(argument.c_str());
    const int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    const bool logged = logArguments(count, args.data());
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Console console;

    CommandLine line;
    try {
        line = parseCommandLine(count, args.data());
    } catch (const SimError &e) {
        console.error(e.what());
        console.rawError(usageText() + "\n");
        return 1;
    }
    if (line.help) {
        console.line(usageText());
        return 0;
    }
    console.line(kSimulatorBanner);
    if (line.version)
        return 0;
    if (!logged)
        console.warn("could not write the argument log named by QB562_SIM_ARGS_LOG");
    bool badScale = false;
    const double scale = timeScaleFromEnvironment(badScale);
    if (badScale)
        console.warn("QB562_SIM_TIME_SCALE is not a non-negative number; waiting in real time (scale 1)");

    Session session(console, executableDir(), scale);
    Jim_Interp *interp = nullptr;
    try {
        interp = createSandboxedInterp();
    } catch (const std::exception &e) {
        console.error(e.what());
        return 1;
    }
    registerSimCommands(interp, session);
    const int status = runCommands(interp, session, line.commands);
    Jim_FreeInterp(interp);
    return status;
}
