#ifndef FELDMOOR_ADAPTERLIB_SCRATCHDIR_H
#define FELDMOOR_ADAPTERLIB_SCRATCHDIR_H

// A fresh temporary directory for one test process, removed with everything
// in it when the object goes. Operations that fail throw, since a test that
// could not set up its bus proves nothing.

#include <string>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    std::string path(const std::string &relative) const;

    void makeDir(const std::string &relative) const;
    // Removes a file or an empty directory.
    void remove(const std::string &relative) const;
    void removeAll(const std::string &relative) const;
    void writeFile(const std::string &relative, const std::string &text) const;
    void rename(const std::string &from, const std::string &to) const;

private:
    std::string root_;
};

#endif
