#ifndef FELDMOOR_OPENOCD_SCRIPTS_DIR_H
#define FELDMOOR_OPENOCD_SCRIPTS_DIR_H

#include <string>

// The installation layout of OpenOCD: the executable in <root>/bin, its Tcl
// scripts in <root>/share/openocd/scripts. Only files inside that folder can
// be found or sourced.
class ScriptsDir {
public:
    // `exeDir` is the folder holding the executable.
    explicit ScriptsDir(const std::string &exeDir);

    const std::string &path() const { return path_; }

    // Full path of `name` under the scripts folder; throws SimError
    // "can't find <name>" unless it is a regular file inside the folder.
    std::string find(const std::string &name) const;

    // `path` resolved, when it names a regular file inside the scripts folder;
    // throws SimError otherwise.
    std::string checkedScript(const std::string &path) const;

private:
    bool inside(const std::string &resolved) const;
    // The folder as messages name it: resolved when it exists.
    std::string shownPath() const;

    std::string path_;
    std::string resolvedRoot_;
};

#endif
