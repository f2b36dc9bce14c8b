#ifndef FELDMOOR_DOWNLOAD_COMMANDCOMPOSITION_H
#define FELDMOOR_DOWNLOAD_COMMANDCOMPOSITION_H

#include "download/filekind.h"

#include <QString>
#include <QStringList>

// The JTAG clock is typed in Hz; OpenOCD takes kHz. QString::toInt base 10 (non-number or beyond int range -> 0),
// integer division by 1000 rounding toward zero, QString::number(int). "999"->"0", "1999"->"1", "-1500"->"-1", "abc"->"0".
QString clockKilohertz(const QString &clockText);

// Where OpenOCD is shipped, beside the application.
QString openocdProgramPath(const QString &applicationDir);

// The proxy bitstream that gives OpenOCD access to the configuration flash of `partName`.
QString proxyBitstreamPath(const QString &applicationDir, const QString &partName);

struct DownloadRequest {
    QString partName;       // current text of the part combo box, any text
    QString clockText;      // current text of the clock combo box, any text
    FileKind kind;
    QString filePath;       // may be empty
    QString applicationDir; // QCoreApplication::applicationDirPath(), forward slashes, no trailing slash
};

struct DownloadCommand {
    QString program;        // openocdProgramPath(applicationDir)
    QStringList arguments;
};

// Which of several attached adapters a run opens, by OpenOCD's generic
// selection; empty (as the window leaves it) for the lowest attached one.
struct AdapterSelection {
    QString usbLocation;  // "1-2.3"
    QString serial;       // used instead of the location when set
    bool isEmpty() const { return usbLocation.isEmpty() && serial.isEmpty(); }
};

struct PartFamily;

// The OpenOCD run that loads (Bit) or flashes (Bin) the requested file, as
// the window's lists have it: families they don't know get no script.
DownloadCommand composeDownloadCommand(const DownloadRequest &request, const AdapterSelection &adapter = {});
// The same run for `family`: the loader's, which knows every family.
DownloadCommand composeLoadCommand(const DownloadRequest &request, const AdapterSelection &adapter,
                                   const PartFamily &family);

#endif
