#ifndef FELDMOOR_OPENOCD_FILE_IO_H
#define FELDMOOR_OPENOCD_FILE_IO_H

#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file the user named; throws SimError "can't open <path>: why".
std::vector<std::uint8_t> readWholeFile(const std::string &path);

// Reads a small text file; returns false when it cannot be read.
bool readTextFile(const std::string &path, std::string &text);

// Replaces `path` so that a reader (or a program killed half-way) sees either
// the old or the new contents, never a mixture.
void writeFileAtomically(const std::string &path, const std::string &contents);

bool isDirectory(const std::string &path);
bool isRegularFile(const std::string &path);

#endif
