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
    std::error_code error;
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
        const fs::path candidate = base / ("feldmoor-test-" + std::to_string(random()));
        if (fs::create_directory(candidate, error))
            root_ = candidate.generic_u8string();
    }
    if (root_.empty())
        throw std::runtime_error("cannot create a scratch directory in " + base.generic_u8string() + ": "
                                 + error.message());
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(fs::u8path(root_), ignored);
}

std::string ScratchDir::path(const std::string &relative) const
{
    return root_ + '/' + relative;
}

void ScratchDir::makeDir(const std::string &relative) const
{
    std::error_code error;
    if (!fs::create_directory(fs::u8path(path(relative)), error))
        throw std::runtime_error("cannot create " + path(relative) + ": "
                                 + (error ? error.message() : std::string("already exists")));
}

void ScratchDir::remove(const std::string &relative) const
{
    if (!fs::remove(fs::u8path(path(relative))))
        throw std::runtime_error("does not exist: " + path(relative));
}

void ScratchDir::removeAll(const std::string &relative) const
{
    fs::remove_all(fs::u8path(path(relative)));
}

void ScratchDir::writeFile(const std::string &relative, const std::string &text) const
{
    std::ofstream file(fs::u8path(path(relative)), std::ios::trunc);
    file << text;
    if (!file.flush())
        throw std::runtime_error("cannot write " + path(relative));
}

void ScratchDir::rename(const std::string &from, const std::string &to) const
{
    fs::rename(fs::u8path(path(from)), fs::u8path(path(to)));
}
