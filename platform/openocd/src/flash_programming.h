#ifndef FELDMOOR_OPENOCD_FLASH_PROGRAMMING_H
#define FELDMOOR_OPENOCD_FLASH_PROGRAMMING_H

#include <cstdint>
#include <string>

class Session;

// The write half of `jtagspi_program`: erases the 64 KiB sectors the file
// covers (keeping whatever else those sectors held), programs it page by
// page with progress chunks "0x%08x\r\n", and verifies it.
void jtagspiProgram(Session &session, const std::string &path, long long offset);

// The bytes written after which a progress chunk is due for a file of
// `size` bytes: at least 4 KiB apart, about 256 reports for large files.
std::uint32_t progressStep(std::uint32_t size);

// `flash verify_bank <bank> <file> <offset>`: compares the flash with a file
// without writing; a difference fails the command, as in OpenOCD.
void verifyBank(Session &session, long bank, const std::string &path, long long offset);

#endif
