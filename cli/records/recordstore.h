#ifndef FELDMOOR_CLI_RECORDS_RECORDSTORE_H
#define FELDMOOR_CLI_RECORDS_RECORDSTORE_H

#include "cli/records/boardrow.h"
#include "cli/records/recorddatabase.h"

#include <memory>
#include <optional>

namespace cli {

// The record's database, reached and its tables checked (created on first
// use) before any board is touched.
class RecordStore {
public:
    struct Opened {
        std::unique_ptr<RecordStore> store;
        int errorCode = 0;
        QString error;  // whole sentence but for what was (not) run
    };
    static Opened open(const RecordTarget &target);

    // The database's words when the row could not be written.
    std::optional<QString> appendBoard(const BoardRow &row);

    RecordDatabase &database() { return *database_; }

private:
    explicit RecordStore(std::unique_ptr<RecordDatabase> database) : database_(std::move(database)) {}
    std::optional<QString> checkSchema(int &code);

    std::unique_ptr<RecordDatabase> database_;
};

} // namespace cli

#endif
