#ifndef FELDMOOR_OPENOCD_BOARD_H
#define FELDMOOR_OPENOCD_BOARD_H

#include "feldmoor/projectfacts.h"

#include <string>

// The simulated board behind adapter N: the folder $QB562_SIM_DIR/adapter<N>
// holding its state (part, flash.bin, fpga) and the fault switches a test
// drops in (fast-erase, fail-init, lost-at-init, hang).
class Board {
public:
    static constexpr const char *kDefaultPart = feldmoor::kDefaultPart;

    Board(const std::string &busDir, unsigned index);

    unsigned index() const { return index_; }
    const std::string &dir() const { return dir_; }
    std::string file(const std::string &name) const { return dir_ + "/" + name; }

    // First line of `part`, trimmed; kDefaultPart when the file is absent;
    // the empty chain's part behind a lost adapter (`lost-at-init`).
    std::string part() const;

    bool attached() const;
    // Throws AdapterLost once the folder is gone.
    void requireAttached() const;

    bool hasFault(const std::string &name) const;

    // Whether this flash write must report a too-fast erase. The count in
    // `fast-erase` drops by one first, because the window kills the program
    // as soon as it sees the report.
    bool takeFastErase();

private:
    unsigned index_;
    std::string busDir_;
    std::string dir_;
};

#endif
