#ifndef FELDMOOR_CLI_BOARDRECORD_H
#define FELDMOOR_CLI_BOARDRECORD_H

#include <QString>
#include <QStringList>

namespace cli {

// The production record: one CSV row per board, appended.

QStringList boardRecordHeader();

// One CSV line (RFC 4180 quoting where needed), without the line end.
QString csvLine(const QStringList &fields);

// Appends `fields` as a row to `path`, after the header when the file is new
// or empty. False (with `error` set) when the file can't be written.
bool appendBoardRecord(const QString &path, const QStringList &fields, QString &error);

// Whether rows can be appended to `path`, found out before any board is
// touched; a file that did not exist is not left behind. False with `error`.
bool recordAppendable(const QString &path, QString &error);

} // namespace cli

#endif
