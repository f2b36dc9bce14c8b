#ifndef FELDMOOR_OPENOCD_FLASH_PROGRAMMING_H
#define FELDMOOR_OPENOCD_FLASH_PROGRAMMING_H

#include <cstdint>
#include <optional>
#include <string>

class Session;

// `jtagspi_program <file> <offset>`: erases the 64 KiB sectors the file
// covers, programs it page by page with progress chunks "0x%08x\r\n", and
// verifies it. At offset 0, the window's case, it reports in the words it
// always has; elsewhere as OpenOCD's proc does, write_image erase and then
// verify_bank, so the rest of a partly covered sector is lost. An image
// that runs past the flash's end is written and compared as far as it fits,
// with OpenOCD 0.12's warning, and the command succeeds.
void jtagspiProgram(Session &session, const std::string &path, long long offset);

// The bytes written after which a progress chunk is due for a file of
// `size` bytes: at least 4 KiB apart, about 256 reports for large files.
std::uint32_t progressStep(std::uint32_t size);

// `flash write_image erase <file> <offset> [bin]`, OpenOCD 0.12's traps
// included: the erase is rounded out to whole sectors, losing the bytes
// before an unaligned offset, and what does not fit the bank is left out
// with only a warning, the command still succeeding.
void writeImage(Session &session, const std::string &path, long long offset);

// `flash erase_address [pad] <address> <length>`: refused unless sector-
// aligned, or with `pad` rounded out to whole sectors with a warning per side.
void eraseAddress(Session &session, bool pad, long long address, long long length);

// `flash erase_sector <bank> <first> <last>`, `last` empty for the word
// "last". The whole bank goes in one chip erase.
void eraseSectors(Session &session, long bank, long long first, std::optional<long long> last);

// `flash verify_bank <bank> <file> <offset>`: compares the flash with a file
// without writing; a difference fails the command, as in OpenOCD. A file
// longer than the rest of the bank is compared as far as it fits.
void verifyBank(Session &session, long bank, const std::string &path, long long offset);

#endif
