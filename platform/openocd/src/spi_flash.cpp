#include "spi_flash.h"

#include "file_io.h"
#include "sim_error.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeAt(int fd, const std::string &path, std::uint32_t address, const std::uint8_t *data, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd, data + done, length - done, static_cast<off_t>(address + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw SimError("can't write the flash image " + path + ": " + std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

SpiFlash::SpiFlash(const std::string &path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0 && errno == ENOENT) {
        // A fresh flash reads erased; build it under a temporary name so that
        // a killed run never leaves a short flash.bin behind.
        writeFileAtomically(path, std::string(kSize, '\xff'));
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (fd_ < 0)
        throw SimError("can't open the flash image " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_size != static_cast<off_t>(kSize)) {
        ::close(fd_);
        throw SimError("the flash image " + path + " is not " + std::to_string(kSize) +
                       " bytes long; remove it to start from an erased flash");
    }
}

SpiFlash::~SpiFlash()
{
    ::close(fd_);
}

void SpiFlash::eraseSector(std::uint32_t sector)
{
    const std::vector<std::uint8_t> erased(kSectorSize, 0xff);
    writeAt(fd_, path_, sector * kSectorSize, erased.data(), erased.size());
}

void SpiFlash::programPage(std::uint32_t address, const std::uint8_t *data, std::uint32_t length)
{
    std::vector<std::uint8_t> cells = read(address, length);
    for (std::uint32_t i = 0; i < length; ++i)
        cells[i] &= data[i];
    writeAt(fd_, path_, address, cells.data(), cells.size());
}

std::vector<std::uint8_t> SpiFlash::read(std::uint32_t address, std::uint32_t length) const
{
    std::vector<std::uint8_t> bytes(length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(address + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw SimError("can't read the flash image " + path_);
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

std::vector<std::uint8_t> SpiFlash::readImage(const std::string &path)
{
    if (!isRegularFile(path))
        return std::vector<std::uint8_t>(kSize, 0xff);
    std::vector<std::uint8_t> bytes = readWholeFile(path);
    bytes.resize(kSize, 0xff);
    return bytes;
}
