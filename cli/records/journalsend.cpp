#include "cli/records/journalsend.h"

#include "cli/records/recordstore.h"

#include "engine/statefolder.h"

#include <QFile>

namespace cli {

QString journalFor(const RecordTarget &target, QString &error)
{
    const QString folder = engine::stateFolder(error);
    return folder.isEmpty() ? QString() : journalPath(folder, target);
}

JournalSent sendWaitingRows(RecordStore &store, const RecordTarget &target)
{
    JournalSent sent;
    QString error;
    sent.path = journalFor(target, error);
    if (sent.path.isEmpty() || !QFile::exists(sent.path))
        return sent;
    // The board's row only, for now: a row that drew a serial value will
    // confirm it here too, in the row's own transaction.
    sent.sending = sendJournal(sent.path, [&store](const BoardRow &row) { return store.appendBoard(row); });
    return sent;
}

} // namespace cli
