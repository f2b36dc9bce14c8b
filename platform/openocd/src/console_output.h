#ifndef FELDMOOR_OPENOCD_CONSOLE_OUTPUT_H
#define FELDMOOR_OPENOCD_CONSOLE_OUTPUT_H

#include <string_view>

enum class ConsoleStream { Out, Err };

// Writes `bytes` to standard output or error past any C library buffering
// and newline translation, as one system write where the system allows, so
// that a reader of the pipe gets it in one piece. Failures are ignored:
// nobody may be listening any more, and the program goes on regardless.
void writeToConsole(ConsoleStream stream, std::string_view bytes);

#endif
