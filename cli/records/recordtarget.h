#ifndef FELDMOOR_CLI_RECORDS_RECORDTARGET_H
#define FELDMOOR_CLI_RECORDS_RECORDTARGET_H

#include <QString>

namespace cli {

// Where --record sends the rows: a CSV file, an SQLite file (sqlite:PATH) or
// a PostgreSQL server (a libpq connection URI).
enum class RecordKind { None, Csv, Sqlite, Postgresql };

struct RecordTarget {
    RecordKind kind = RecordKind::None;
    QString location;  // the file's path, or the URI as given
    QString given;     // --record's value, for messages

    bool isDatabase() const { return kind == RecordKind::Sqlite || kind == RecordKind::Postgresql; }
    // The file the record lives in, empty for a server.
    QString file() const { return kind == RecordKind::Csv || kind == RecordKind::Sqlite ? location : QString(); }
};

RecordTarget recordTarget(const QString &given);

} // namespace cli

#endif
