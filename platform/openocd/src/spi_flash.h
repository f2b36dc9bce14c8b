#ifndef FELDMOOR_OPENOCD_SPI_FLASH_H
#define FELDMOOR_OPENOCD_SPI_FLASH_H

#include "native_file.h"

#include <cstdint>
#include <string>
#include <vector>

// The board's 128 Mbit SPI NOR flash, backed by the file flash.bin. Writes go
// straight to the file, so a run killed half-way leaves a half-written flash
// just as on the hardware.
class SpiFlash {
public:
    static constexpr std::uint32_t kSize = 16u * 1024 * 1024;
    static constexpr std::uint32_t kSectorSize = 64u * 1024;
    static constexpr std::uint32_t kPageSize = 256;
    // What the proxy's probe reads back, in OpenOCD's naming: a Micron
    // N25Q128 (manufacturer 0x20, type 0xba, capacity 0x18).
    static constexpr const char *kChipName = "micron n25q128";
    static constexpr std::uint32_t kDeviceId = 0x18ba20;

    // Opens flash.bin for writing, creating it erased (all 0xFF) when absent.
    explicit SpiFlash(const std::string &path);
    SpiFlash(const SpiFlash &) = delete;
    SpiFlash &operator=(const SpiFlash &) = delete;

    void eraseSector(std::uint32_t sector);
    // Programs bytes inside one page. NOR programming only clears bits, so
    // programming over unerased bytes leaves the AND of old and new.
    void programPage(std::uint32_t address, const std::uint8_t *data, std::uint32_t length);
    std::vector<std::uint8_t> read(std::uint32_t address, std::uint32_t length) const;

    // The whole contents of the flash file at `path`; erased when absent.
    static std::vector<std::uint8_t> readImage(const std::string &path);

private:
    void write(std::uint32_t address, const std::uint8_t *data, std::size_t length);

    std::string path_;
    mutable NativeFile file_;
};

#endif
