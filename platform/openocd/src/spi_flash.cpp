#include "spi_flash.h"

#include "file_io.h"
#include "sim_error.h"

SpiFlash::SpiFlash(const std::string &path) : path_(path)
{
    if (!file_.open(path, NativeFile::Mode::ReadWrite) && file_.notFound()) {
        // A fresh flash reads erased; build it under a temporary name so that
        // a killed run never leaves a short flash.bin behind.
        writeFileAtomically(path, std::string(kSize, '\xff'));
        file_.open(path, NativeFile::Mode::ReadWrite);
    }
    if (!file_.isOpen())
        throw SimError("can't open the flash image " + path + ": " + file_.errorText());
    if (file_.size() != static_cast<long long>(kSize))
        throw SimError("the flash image " + path + " is not " + std::to_string(kSize) +
                       " bytes long; remove it to start from an erased flash");
}

void SpiFlash::eraseSector(std::uint32_t sector)
{
    const std::vector<std::uint8_t> erased(kSectorSize, 0xff);
    write(sector * kSectorSize, erased.data(), erased.size());
}

void SpiFlash::programPage(std::uint32_t address, const std::uint8_t *data, std::uint32_t length)
{
    std::vector<std::uint8_t> cells = read(address, length);
    for (std::uint32_t i = 0; i < length; ++i)
        cells[i] &= data[i];
    write(address, cells.data(), cells.size());
}

std::vector<std::uint8_t> SpiFlash::read(std::uint32_t address, std::uint32_t length) const
{
    std::vector<std::uint8_t> bytes(length);
    if (!file_.readAt(address, bytes.data(), length))
        throw SimError("can't read the flash image " + path_);
    return bytes;
}

void SpiFlash::write(std::uint32_t address, const std::uint8_t *data, std::size_t length)
{
    if (!file_.writeAt(address, data, length))
        throw SimError("can't write the flash image " + path_ + ": " + file_.errorText());
}

std::vector<std::uint8_t> SpiFlash::readImage(const std::string &path)
{
    if (!isRegularFile(path))
        return std::vector<std::uint8_t>(kSize, 0xff);
    std::vector<std::uint8_t> bytes = readWholeFile(path);
    bytes.resize(kSize, 0xff);
    return bytes;
}
