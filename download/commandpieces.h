#ifndef FELDMOOR_DOWNLOAD_COMMANDPIECES_H
#define FELDMOOR_DOWNLOAD_COMMANDPIECES_H

#include "download/commandcomposition.h"
#include "download/partfamily.h"

#include <QString>
#include <QStringList>

#include <optional>

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
// Declares the family's TAP, after the part variable its script needs
// ("set CHIP XCKU040; source ..."); an unknown family names no script.
QString familyScript(const PartFamily &family);
QString jtagspiScript();
// `init` alone: with no TAP declared, OpenOCD auto-probes the chain.
QString init();
// `init`, then the configuration into the FPGA.
QString bitLoad(const QString &filePath);
// `init`, then the JTAG-to-SPI proxy, which makes the flash bank 0.
QString proxyInit(const QString &proxyPath);
// `init`, then bank 0 found without loading the proxy again when the FPGA
// still runs it from the job's earlier run (0.12's jtagspi.cfg declares the
// bank when sourced; jtagspi_init only loads the proxy and probes); when the
// probe fails, the proxy is loaded as jtagspi_init does.
QString proxyProbe(const QString &proxyPath);
// Erase, write and verify from `offset`.
QString flashWrite(const QString &filePath, quint32 offset);
QString flashVerify(const QString &filePath, quint32 offset);
// `length` bytes of bank 0 from `offset` into `filePath`; without a length,
// to the bank's end.
QString flashReadBank(const QString &filePath, quint32 offset, std::optional<quint32> length);
// Whole sectors only: OpenOCD refuses a range that is not sector-aligned.
QString flashEraseAddress(quint32 offset, quint32 length);
// Sectors `first` to `last` of bank 0.
QString flashEraseSectors(quint32 first, quint32 last);
// The Tcl variable `name` set to `value`, so later pieces can name files in
// one folder briefly ("$name/file").
QString setVariable(const QString &name, const QString &value);
// Programs `filePath` (a Tcl word as given: "$d/s0004.bin") at `offset`
// without erasing.
QString flashWriteBank(const QString &fileWord, quint32 offset);
// Compares the flash from `offset` with `fileWord` (a Tcl word, as above).
QString flashVerifyBank(const QString &fileWord, quint32 offset);
// Every sector of bank 0: the chip erase.
QString flashEraseAll();
// The banks with their size, and bank 0's sector table and chip.
QString flashBanks();
QString flashInfo();
// `init`, then the configuration status register.
QString statusRead();
// Reconfigures the FPGA from its flash: "<chip>_program <chip>.tap;", with
// the family's TAP chip ("xcu" for "xck"), else the typed prefix.
QString reload(const PartFamily &family);
QString exit();

// "0x0", "0x400000": offsets as the window writes them.
QString offsetText(quint32 offset);

// Each text after its own "-c".
QStringList arguments(const QStringList &pieces);

} // namespace commandpiece

#endif
