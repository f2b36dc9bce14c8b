#ifndef FELDMOOR_ENGINE_JOBREQUEST_H
#define FELDMOOR_ENGINE_JOBREQUEST_H

#include "download/commandcomposition.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace engine {

// How often a job starts a flash write again after a too-fast sector erase
// before it gives up: a flash that always reports one (write-protected, or
// not answering) would otherwise restart it for ever.
inline constexpr int kDefaultRestarts = 3;

// A board's own bytes written beside the image (a serial number, a MAC
// address): at `address`, outside the image's range, the rest of their
// sector kept; read back with the image in the write's own run.
struct SerialWrite {
    quint64 address = 0;
    QByteArray bytes;
    quint64 end() const { return address + quint64(bytes.size()); }
};

// Where in the flash a flash job works, as the command line gave it.
struct FlashRequest {
    std::optional<quint64> offset;  // as asked, or the .mcs file's address
    std::optional<quint64> size;    // nothing: to the flash's end
    bool whole = false;             // an erase of the whole flash
    bool reload = true;             // a flash write ends with a reload and the DONE check
    // Every sector the image covers erased and programmed (the
    // window's job without an offset); else only the sectors that differ.
    bool full = false;
    std::optional<SerialWrite> serial;
    bool offsetGiven() const { return offset.has_value(); }
};

// One job for the runner: what to run, and what the board must turn out to be.
struct JobRequest {
    enum class Mode { Load, Detect, Verify, Read, Erase, BlankCheck, Reload };
    Mode mode = Mode::Load;
    // The window's request for the same load, so both compose the same
    // command; its part name composes the commands (script, proxy, TAP).
    // Empty for a job without a file whose part the board's probe tells.
    DownloadRequest load{QString(), QString(), FileKind::Bin, QString(), QString()};
    // The adapter the job's runs open; empty when only one is attached.
    AdapterSelection adapter;
    // The adapter as the engine tells it apart (adapterKey()), whichever way
    // it was chosen: what a job keeps on the disk about its flash is its own.
    QString adapterKey;
    qint64 fileSize = 0;
    // The file as the user named it (absolute), or the read's OUT: what the
    // results and the record name. `load.filePath` is what the tool reads,
    // an image made from it for a .mcs or a .bit written to flash.
    QString sourceFile;
    FlashRequest flash;
    QString expectedPart;  // what the file (or the face) says the board holds
    QString claimSource;   // where that came from, as the face that asked words it
    int retries = kDefaultRestarts;
    bool force = false;
    std::optional<double> timeoutSeconds;
};

} // namespace engine

#endif
