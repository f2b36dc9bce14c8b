#ifndef FELDMOOR_CLI_RECORDS_JOURNALSEND_H
#define FELDMOOR_CLI_RECORDS_JOURNALSEND_H

#include "cli/records/recordjournal.h"

#include <QString>

namespace cli {

class RecordStore;

struct JournalSent {
    QString path;  // the journal for the store's database, empty when there is no state folder
    JournalSending sending;
};

// Sends the rows that wait in the journal for `target`'s database (none is
// nothing to do); each row keeps its place in the journal until it committed.
JournalSent sendWaitingRows(RecordStore &store, const RecordTarget &target);

// The journal `target`'s rows wait in when its database can't take them,
// or empty with `error` when the state folder can't be made.
QString journalFor(const RecordTarget &target, QString &error);

} // namespace cli

#endif
