#include "file_io.h"

#include "native_file.h"
#include "native_process.h"
#include "sim_error.h"

std::vector<std::uint8_t> readWholeFile(const std::string &path)
{
    if (isDirectory(path))
        throw SimError("can't open " + path + ": it is a folder, not a file");
    NativeFile file;
    if (!file.open(path, NativeFile::Mode::Read))
        throw SimError("can't open " + path + ": " + file.errorText());
    std::vector<std::uint8_t> bytes;
    const long long size = file.size();
    if (size > 0)
        bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        const long long n = file.read(buffer, sizeof buffer);
        if (n < 0)
            throw SimError("can't read " + path + ": " + file.errorText());
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

bool readTextFile(const std::string &path, std::string &text)
{
    NativeFile file;
    if (!file.open(path, NativeFile::Mode::Read))
        return false;
    text.clear();
    char buffer[4096];
    for (;;) {
        const long long n = file.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

void writeFileAtomically(const std::string &path, const std::string &contents)
{
    const std::string temp = path + ".tmp" + std::to_string(processId());
    NativeFile file;
    if (!file.open(temp, NativeFile::Mode::Create))
        throw SimError("can't write " + path + ": " + file.errorText());
    if (!file.writeAll(contents.data(), contents.size())) {
        const std::string why = file.errorText();
        file.close();
        removeFile(temp);
        throw SimError("can't write " + path + ": " + why);
    }
    file.close();
    std::string why;
    if (!replaceFile(temp, path, why)) {
        removeFile(temp);
        throw SimError("can't write " + path + ": " + why);
    }
}

bool isDirectory(const std::string &path)
{
    return pathKind(path) == PathKind::Folder;
}

bool isRegularFile(const std::string &path)
{
    return pathKind(path) == PathKind::File;
}
