#include "board.h"

#include "file_io.h"
#include "native_file.h"
#include "sim_error.h"

#include "platform/qb562/simbus.h"

#include <cstdlib>

Board::Board(const std::string &busDir, unsigned index)
    : index_(index), busDir_(busDir), dir_(busDir + '/' + qb562::adapterDirName(index))
{
}

std::string Board::part() const
{
    // Behind an adapter that stopped answering nothing is on the chain.
    if (hasFault("lost-at-init"))
        return "none";
    std::string text;
    if (!readTextFile(file("part"), text))
        return kDefaultPart;
    text = text.substr(0, text.find('\n'));
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return kDefaultPart;
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool Board::attached() const
{
    // The library's rule, so that the board goes the moment the library
    // reports the adapter unplugged.
    return qb562::adapterPresent(busDir_, index_);
}

void Board::requireAttached() const
{
    if (!attached())
        throw AdapterLost("QB562 adapter " + std::to_string(index_) + " was unplugged (" + dir_ +
                          " is gone); the operation did not complete");
}

bool Board::hasFault(const std::string &name) const
{
    return pathKind(file(name)) != PathKind::Missing;
}

bool Board::takeFastErase()
{
    std::string text;
    if (!readTextFile(file("fast-erase"), text))
        return false;
    const long count = std::strtol(text.c_str(), nullptr, 10);
    if (count <= 0)
        return false;
    if (count == 1)
        removeFile(file("fast-erase"));
    else
        writeFileAtomically(file("fast-erase"), std::to_string(count - 1) + "\n");
    return true;
}
