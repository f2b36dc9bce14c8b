#ifndef FELDMOOR_CLI_RECORDS_BOARDRECORDER_H
#define FELDMOOR_CLI_RECORDS_BOARDRECORDER_H

#include "cli/records/boardrow.h"
#include "cli/records/recordtarget.h"

#include <memory>
#include <optional>

namespace cli {

class RecordStore;

// Where a session's rows go: the CSV file, or the record's database, and
// when the database can't take a row, the journal that keeps it for later.
class BoardRecorder {
public:
    struct Opened {
        std::unique_ptr<BoardRecorder> recorder;
        int errorCode = 0;
        QString error;
        QString note;  // the rows the journal sent first, when it held any
    };
    // Checked before any board is touched: the CSV file can be appended to,
    // the database is reached, its tables are ours and the rows its journal
    // kept are in it.
    static Opened open(const RecordTarget &target);
    ~BoardRecorder();

    struct Appended {
        std::optional<QString> error;  // why the row is not in the record
        QString journal;               // where the row waits instead, if it does
    };
    Appended append(const BoardRow &row);
    const RecordTarget &target() const { return target_; }
    RecordStore *store() { return store_.get(); }

private:
    explicit BoardRecorder(RecordTarget target);

    RecordTarget target_;
    std::unique_ptr<RecordStore> store_;
    // Once the database failed a row, the session's later rows (the other
    // boards of its round) go straight to the journal.
    bool journaling_ = false;
    QString databaseError_;
};

} // namespace cli

#endif
