#include "scratchdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "qb562-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch directory from " + pattern);
    root_ = buffer.data();
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
    if (!fs::create_directory(path(relative)))
        throw std::runtime_error("already exists: " + path(relative));
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
