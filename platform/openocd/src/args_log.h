#ifndef FELDMOOR_OPENOCD_ARGS_LOG_H
#define FELDMOOR_OPENOCD_ARGS_LOG_H

// When QB562_SIM_ARGS_LOG names a file, replaces it with argv[1..], each
// argument followed by one NUL byte, so a test sees exactly what the program
// received. Returns false when the file could not be written.
bool logArguments(int argc, const char *const *argv);

#endif
