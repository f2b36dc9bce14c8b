#ifndef FELDMOOR_DOWNLOAD_OUTPUTCHUNK_H
#define FELDMOOR_DOWNLOAD_OUTPUTCHUNK_H

#include <QByteArray>
#include <QString>

// OpenOCD's merged output arrives as chunks: the bytes of one read, each
// handled whole and alone.

// A too-fast sector erase report: the chunk is at most 27 bytes long and the FIRST occurrence of "sector"
// (searched from byte 0, QByteArray::indexOf) is at position > 0. 28 bytes or more never; "sector" at byte 0 never.
bool isEraseRestartChunk(const QByteArray &chunk);

// A progress report: the first two bytes are exactly "0x" (lower-case x; shorter than 2 bytes never).
bool isProgressChunk(const QByteArray &chunk);

// The bytes written so far: chunk.mid(2, 8).toInt(nullptr, 16); a failed conversion gives 0 ("0x" alone -> 0, "0xZZ\r\n" -> 0).
int progressBytes(const QByteArray &chunk);

// The text shown in the log pane: QString::fromLocal8Bit(chunk).simplified() (three lines become one line with single blanks).
QString chunkLogText(const QByteArray &chunk);

#endif
