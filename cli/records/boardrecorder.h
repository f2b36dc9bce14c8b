#ifndef FELDMOOR_CLI_RECORDS_BOARDRECORDER_H
#define FELDMOOR_CLI_RECORDS_BOARDRECORDER_H

#include "cli/records/boardrow.h"
#include "cli/records/recordtarget.h"

#include <memory>
#include <optional>

namespace cli {

class RecordStore;

// Where a session's rows go: the CSV file, or the record's database.
class BoardRecorder {
public:
    struct Opened {
        std::unique_ptr<BoardRecorder> recorder;
        int errorCode = 0;
        QString error;
    };
    // Checked before any board is touched: the CSV file can be appended to,
    // the database is reached and its tables are ours.
    static Opened open(const RecordTarget &target);
    ~BoardRecorder();

    // The reason, when the row could not be written.
    std::optional<QString> append(const BoardRow &row);
    const RecordTarget &target() const { return target_; }
    RecordStore *store() { return store_.get(); }

private:
    explicit BoardRecorder(RecordTarget target);

    RecordTarget target_;
    std::unique_ptr<RecordStore> store_;
};

} // namespace cli

#endif
