#ifndef FELDMOOR_CLI_RECORDS_RECORDJOURNAL_H
#define FELDMOOR_CLI_RECORDS_RECORDJOURNAL_H

#include "cli/records/boardrow.h"
#include "cli/records/recordtarget.h"

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QString>

#include <optional>

namespace cli {

// Where a board's row waits when its database could not be reached after
// the board was written: one file per database, in the user's state folder,
// one JSON object per line. A line is appended whole or, after a crash mid-
// write, left torn at the end, where readers skip it; every line before it
// stays readable.

// The journal's file for `target` in `folder`, named after the database it
// waits for (an SQLite file by its absolute path).
QString journalPath(const QString &folder, const RecordTarget &target);

QByteArray journalLine(const BoardRow &row, const QString &target);
// The rows the text holds, torn or foreign lines skipped.
QList<BoardRow> journalRows(const QByteArray &text);

// Appends `row` to the journal at `path`: the whole journal written anew
// beside it and renamed over it, pushed to the disk before this returns, so
// that a crash leaves the old journal or the new one. The reason when it
// could not be.
std::optional<QString> appendToJournal(const QString &path, const BoardRow &row, const QString &target);

struct JournalSending {
    int sent = 0;                  // rows now in the database
    int left = 0;                  // rows still in the journal
    std::optional<QString> error;  // why the rest was not sent
};

// Sends every row of the journal at `path` through `send` (the database's
// words back when it could not), removing a row from the journal only after
// it committed; a journal emptied is removed. Held against other loaders
// appending meanwhile.
template <typename Send>
JournalSending sendJournal(const QString &path, const Send &send);

// The journal's rows and a lock on it, for sendJournal.
class JournalHold {
public:
    explicit JournalHold(const QString &path);
    JournalHold(const JournalHold &) = delete;
    JournalHold &operator=(const JournalHold &) = delete;

    std::optional<QString> error() const { return error_; }
    const QList<BoardRow> &rows() const { return rows_; }
    // Keeps only `left` in the journal.
    std::optional<QString> keep(const QList<BoardRow> &left);

private:
    QString path_;
    QLockFile lock_;
    QList<BoardRow> rows_;
    QString target_;  // as the journal names its database
    std::optional<QString> error_;
};

template <typename Send>
JournalSending sendJournal(const QString &path, const Send &send)
{
    JournalSending sending;
    JournalHold hold(path);
    if (hold.error()) {
        sending.error = hold.error();
        return sending;
    }
    QList<BoardRow> left;
    for (const BoardRow &row : hold.rows()) {
        if (!sending.error) {
            sending.error = send(row);
            if (!sending.error) {
                ++sending.sent;
                continue;
            }
        }
        left << row;
    }
    sending.left = int(left.size());
    if (sending.sent == 0)
        return sending;
    if (const std::optional<QString> kept = hold.keep(left)) {
        // Sent, but still in the journal: sent again next time, harmlessly.
        if (!sending.error)
            sending.error = QLatin1String("the rows were sent but the journal was not updated: ") + *kept;
        sending.left = int(hold.rows().size());
    }
    return sending;
}

} // namespace cli

#endif
