#ifndef FELDMOOR_CLI_RECORDS_CSVREAD_H
#define FELDMOOR_CLI_RECORDS_CSVREAD_H

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace cli {

// The rows of a CSV text as the CSV record writes them (RFC 4180: a field in
// double quotes may hold commas, quotes doubled and line ends). A last line
// without its line end counts; empty lines do not.
QList<QStringList> csvRows(const QByteArray &text);

} // namespace cli

#endif
