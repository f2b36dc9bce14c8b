#ifndef FELDMOOR_JTAGBOARD_BOARD_FOLDER_H
#define FELDMOOR_JTAGBOARD_BOARD_FOLDER_H

#include <cstdint>
#include <string>
#include <vector>

// The simulator's board folder (`adapter<N>` of a simulated bus), read and
// written the same way so that a test looks at either tool's result alike.
struct BoardFolder {
    std::string path;

    // `part`, first line without blanks; the simulator's default when absent.
    std::string part() const;
    // `flash.bin`, or an erased flash when absent.
    std::vector<std::uint8_t> flash(std::size_t size) const;
    bool writeFlash(const std::vector<std::uint8_t> &contents, std::string &error) const;
    // `fpga`: key=value lines.
    bool writeFpga(const std::string &text, std::string &error) const;

    std::string file(const std::string &name) const;
};

#endif
