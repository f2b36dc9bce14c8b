#include "scratchdir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    // create_directory is atomic: a name another process took just now is
    // skipped, never shared.
    const fs::path base = fs::temp_directory_path();
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
        const fs::path candidate = base / ("qb562-test-" + std::to_string(random()));
        if (fs::create_directory(candidate))
            root_ = candidate.generic_string();
    }
    if (root_.empty())
        throw std::runtime_error("cannot create a scratch directory in " + base.string());
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string ScratchDir::path(const std::string &relative) const
{
    return root_ + '/' + relative;
}

void ScratchDir::makeDir(const std::string &relative) const
{
    std::error_code error;
    if (!fs::create_directory(path(relative), error))
        throw std::runtime_error("cannot create " + path(relative) + ": "
                                 + (error ? error.message() : std::string("already exists")));
}

void ScratchDir::remove(const std::string &relative) const
{
    if (!fs::remove(path(relative)))
        throw std::runtime_error("does not exist: " + path(relative));
}

void ScratchDir::removeAll(const std::string &relative) const
{
    fs::remove_all(path(relative));
}

void ScratchDir::writeFile(const std::string &relative, const std::string &text) const
{
    std::ofstream file(path(relative), std::ios::trunc);
    file << text;
    if (!file.flush())
        throw std::runtime_error("cannot write " + path(relative));
}

void ScratchDir::rename(const std::string &from, const std::string &to) const
{
    fs::rename(path(from), path(to));
}
