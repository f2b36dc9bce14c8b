#ifndef FELDMOOR_TESTS_REALTOOL_TRANSCRIPT_H
#define FELDMOOR_TESTS_REALTOOL_TRANSCRIPT_H

#include <QString>
#include <QStringList>

// The lines of an OpenOCD transcript that the window and the loader read,
// with what legitimately differs between two tools (times, rates, measured
// milliseconds) cut off: the TAP line, `loaded file`, `sector N took`, chip
// erase `took`, `contents match` / `differ`, the status register, the flash
// geometry of `flash banks` / `flash info`, `wrote N bytes`, `read N bytes`,
// `erased ...`, and the flash traps' warnings.
QStringList linesWeRead(const QString &transcript);

// The milliseconds of each `sector N took M ms` line, in order.
QList<int> sectorMilliseconds(const QString &transcript);

// Two transcripts in two columns, for a failure report.
QString sideBySide(const QString &leftTitle, const QString &left, const QString &rightTitle, const QString &right);

// A shell-quoted word as feldmoor-cli --dry-run prints it, unquoted.
QString shellUnquoted(const QString &word);

#endif
