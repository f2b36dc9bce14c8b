#ifndef FELDMOOR_DOWNLOAD_TCLQUOTE_H
#define FELDMOOR_DOWNLOAD_TCLQUOTE_H

#include <QString>

// Makes `value` read back as exactly itself when evaluated as one Tcl word.
QString tclQuoteWord(const QString &value);

#endif
