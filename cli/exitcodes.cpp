#include "cli/exitcodes.h"

QString exitCodeTable()
{
    return QStringLiteral(
        "Exit codes:\n"
        "  0    loaded and checked (tool exit 0, part matched, DONE high)\n"
        "  1    the tool failed (non-zero exit or crash)\n"
        "  2    usage: bad or missing arguments\n"
        "  3    no QB562 adapter attached\n"
        "  4    file unreadable, empty or not a valid .bit\n"
        "  5    OpenOCD_QB562/bin/openocd.exe missing or not startable\n"
        "  6    too many fast-erase restarts (see --retries)\n"
        "  7    DONE low after the load or the reload from flash\n"
        "  8    part mismatch between board and file (see --force)\n"
        "  9    timeout (see --timeout)\n"
        "  130  interrupted (Ctrl-C)\n"
        "  143  terminated (SIGTERM, Ctrl-Break)\n");
}
