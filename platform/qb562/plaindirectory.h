#ifndef FELDMOOR_QB562_PLAINDIRECTORY_H
#define FELDMOOR_QB562_PLAINDIRECTORY_H

#include <string>

namespace qb562 {

// True when `path` is a directory itself, not a link to one, under exactly
// the name its last component spells, letter case included.
bool isPlainDirectory(const std::string &path);

}

#endif
