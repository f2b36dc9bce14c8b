#include "feedchunks.h"

#include <cstdio>

int progressChunkPercent(int index)
{
    return index % 100 + 1;
}

int progressChunkValue(int index)
{
    return int(progressImageBytes) * progressChunkPercent(index) / 100 + int(progressImageBytes) / 200;
}

int percentOfImage(int bytes)
{
    return int(std::int64_t(bytes) * 100 / progressImageBytes);
}

std::string progressChunk(int index)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X\r\n", unsigned(progressChunkValue(index)));
    return text;
}

std::string logChunk()
{
    return "Info : JTAG tap: xc7.tap tap/device found: 0x43651093 (mfg: 0x049 (Xilinx), part: 0x3651, ver: 0x4)\n";
}
