#include "download/outputchunk.h"

namespace {

// A longer chunk carries more than the bare erase report and is only logged.
constexpr int eraseRestartMaxBytes = 27;

} // namespace

bool isEraseRestartChunk(const QByteArray &chunk)
{
    return chunk.size() <= eraseRestartMaxBytes && chunk.indexOf("sector") > 0;
}

bool isProgressChunk(const QByteArray &chunk)
{
    return chunk.startsWith("0x");
}

int progressBytes(const QByteArray &chunk)
{
    // At most eight hex digits follow the "0x"; anything else in the chunk
    // (line ends, a second report) is not part of the count.
    return chunk.mid(2, 8).toInt(nullptr, 16);
}

QString chunkLogText(const QByteArray &chunk)
{
    return QString::fromLocal8Bit(chunk).simplified();
}
