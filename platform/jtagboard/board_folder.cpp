#include "board_folder.h"

#include "native_file.h"

#include "feldmoor/projectfacts.h"

namespace {

bool readAll(const std::string &path, std::vector<std::uint8_t> &bytes)
{
    NativeFile in;
    if (!in.open(path, NativeFile::Mode::Read))
        return false;
    const long long size = in.size();
    if (size < 0)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    return bytes.empty() || in.readAt(0, bytes.data(), bytes.size());
}

// Written beside the target and renamed over it, so that a reader never
// sees half a file.
bool writeReplacing(const std::string &path, const void *data, std::size_t size, std::string &error)
{
    const std::string temporary = path + ".jtagboard";
    NativeFile out;
    if (!out.open(temporary, NativeFile::Mode::Create) || !out.writeAll(data, size)) {
        error = path + ": " + out.errorText();
        return false;
    }
    out.close();
    std::string why;
    if (!replaceFile(temporary, path, why)) {
        error = path + ": " + why;
        return false;
    }
    return true;
}

std::string trimmed(const std::string &text)
{
    const std::size_t lineEnd = text.find_first_of("\r\n");
    const std::string line = text.substr(0, lineEnd);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string BoardFolder::file(const std::string &name) const
{
    return path + "/" + name;
}

std::string BoardFolder::part() const
{
    std::vector<std::uint8_t> bytes;
    if (!readAll(file("part"), bytes))
        return feldmoor::kDefaultPart;
    const std::string name = trimmed(std::string(bytes.begin(), bytes.end()));
    return name.empty() ? std::string(feldmoor::kDefaultPart) : name;
}

std::vector<std::uint8_t> BoardFolder::flash(std::size_t size) const
{
    std::vector<std::uint8_t> bytes;
    if (!readAll(file("flash.bin"), bytes))
        bytes.clear();
    bytes.resize(size, 0xff);
    return bytes;
}

bool BoardFolder::writeFlash(const std::vector<std::uint8_t> &contents, std::string &error) const
{
    return writeReplacing(file("flash.bin"), contents.data(), contents.size(), error);
}

bool BoardFolder::writeFpga(const std::string &text, std::string &error) const
{
    return writeReplacing(file("fpga"), text.data(), text.size(), error);
}
