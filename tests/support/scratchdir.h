#ifndef FELDMOOR_TESTS_SCRATCHDIR_H
#define FELDMOOR_TESTS_SCRATCHDIR_H

// A fresh directory in the system's temporary folder ($TMPDIR on Linux),
// named with "/" separators, removed with everything in it when the object
// goes. Operations that fail throw, since a test that could not set up its
// files proves nothing.

#include <string>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &path() const { return root_; }
    std::string path(const std::string &relative) const;
    std::string operator/(const std::string &relative) const { return path(relative); }

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
