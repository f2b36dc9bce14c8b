#ifndef FELDMOOR_DOWNLOAD_COMMANDPIECES_H
#define FELDMOOR_DOWNLOAD_COMMANDPIECES_H

#include "download/commandcomposition.h"
#include "download/partfamily.h"

#include <QString>
#include <QStringList>

// The command texts OpenOCD is given, one `-c` each, by what they do. The
// window's lists and the loader's are put together from these, so a change
// to one text reaches every list. User values (paths, the typed family
// prefix) are Tcl-quoted here.
namespace commandpiece {

// The QB562 driver and its USB IDs, then the selection of one adapter when
// one is chosen: before `init`, the only place OpenOCD takes it.
QStringList adapter(const AdapterSelection &selection = {});
// The JTAG clock, typed in Hz (see clockKilohertz).
QString clock(const QString &clockText);
// Declares the family's TAP; an unknown family names no script.
QString familyScript(const PartFamily &family);
QString jtagspiScript();
// `init` alone: with no TAP declared, OpenOCD auto-probes the chain.
QString init();
// `init`, then the configuration into the FPGA.
QString bitLoad(const QString &filePath);
// `init`, then the JTAG-to-SPI proxy, which makes the flash bank 0.
QString proxyInit(const QString &proxyPath);
// Erase, write and verify from `offset`.
QString flashWrite(const QString &filePath, quint32 offset);
QString flashVerify(const QString &filePath, quint32 offset);
// `init`, then the configuration status register.
QString statusRead();
// Reconfigures the FPGA from its flash: "<prefix>_program <prefix>.tap;".
QString reload(const PartFamily &family);
QString exit();

// "0x0", "0x400000": offsets as the window writes them.
QString offsetText(quint32 offset);

// Each text after its own "-c".
QStringList arguments(const QStringList &pieces);

} // namespace commandpiece

#endif
