#ifndef FELDMOOR_ENGINE_TOOLOUTPUT_H
#define FELDMOOR_ENGINE_TOOLOUTPUT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace engine {

// Reading what OpenOCD 0.12 prints.

// The lines of one output chunk, decoded like the window's log pane
// (local 8-bit: the ANSI code page on Windows), without line ends; blank
// lines dropped.
QStringList chunkLines(const QByteArray &chunk);

// The IDCODE of "JTAG tap: <name> tap/device found: 0x%08x ..." in `text`.
std::optional<quint32> tapFoundIdcode(const QString &text);

// The value of "virtex2 status register: 0x%08x" in `text`.
std::optional<quint32> statusRegisterValue(const QString &text);

// A status read from a chain where nothing answers (no board, no power, TDO
// pulled high): OpenOCD 0.12 goes on past the failed scan and reads all ones,
// which has the DONE bit set. No FPGA that took a configuration reads so: its
// CRC and ID error bits would be set with it.
bool statusFromEmptyChain(quint32 status);

// An adapter that stopped answering once init began: OpenOCD 0.12's chain
// scan failed on the adapter's side, not on what the chain read (that is
// "JTAG scan chain interrogation failed: all ones", an empty chain), it went
// on with "Trying to use configured scan chain anyway...", no TAP answered,
// and the tool may still exit 0: every command after it ran on nothing, so
// `pld load` says "loaded file" and a status read prints whatever memory held.
struct AdapterLost {
    QString error;  // the tool's first error line, without "Error: "
};
std::optional<AdapterLost> adapterLostAtInit(const QString &text);

// An image that ran past the flash's end: OpenOCD 0.12 writes what fits,
// warns "no flash bank found for address 0x01000000" (its verify: "File
// content exceeds flash bank size. Only comparing the first N bytes"), and
// still exits 0.
struct ImageCutShort {
    std::optional<quint64> flashEnd;       // the first address past the flash
    std::optional<quint64> comparedBytes;  // what the verify compared
    // How many of the image's bytes from `offset` the flash holds, when known.
    std::optional<quint64> heldFrom(quint64 offset) const;
};
std::optional<ImageCutShort> imageCutShort(const QString &text);

} // namespace engine

#endif
