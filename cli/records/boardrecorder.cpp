#include "cli/records/boardrecorder.h"

#include "cli/boardrecord.h"
#include "cli/records/journalsend.h"
#include "cli/records/recordstore.h"

#include "cli/exitcodes.h"

#include <QUuid>

namespace cli {

using namespace engine;

BoardRecorder::BoardRecorder(RecordTarget target) : target_(std::move(target)) {}

BoardRecorder::~BoardRecorder() = default;

BoardRecorder::Opened BoardRecorder::open(const RecordTarget &target)
{
    Opened opened;
    std::unique_ptr<BoardRecorder> recorder(new BoardRecorder(target));
    if (target.isDatabase()) {
        RecordStore::Opened store = RecordStore::open(target);
        if (!store.store) {
            opened.errorCode = store.errorCode;
            opened.error = store.error;
            return opened;
        }
        const JournalSent sent = sendWaitingRows(*store.store, target);
        if (sent.sending.error) {
            opened.errorCode = exitcode::kBadFile;
            opened.error = QStringLiteral("can't send the journal %1 to the record database %2: %3 (%4 rows sent, "
                                          "%5 left)")
                               .arg(sent.path, target.given, *sent.sending.error)
                               .arg(sent.sending.sent)
                               .arg(sent.sending.left);
            return opened;
        }
        if (sent.sending.sent > 0)
            opened.note = QStringLiteral("sent %1 %2 from the journal %3 to the record database %4")
                              .arg(sent.sending.sent)
                              .arg(sent.sending.sent == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                              .arg(sent.path, target.given);
        recorder->store_ = std::move(store.store);
    } else {
        QString error;
        if (!recordAppendable(target.location, error)) {
            opened.errorCode = exitcode::kBadFile;
            opened.error = QLatin1String("can't append to the record ") + target.location + QLatin1String(": ") + error;
            return opened;
        }
    }
    opened.recorder = std::move(recorder);
    return opened;
}

BoardRecorder::Appended BoardRecorder::append(const BoardRow &given)
{
    Appended appended;
    if (!store_) {
        QString error;
        if (!appendBoardRecord(target_.location, given.fields, error))
            appended.error = error;
        return appended;
    }
    BoardRow row = given;
    if (row.rowId.isEmpty())
        row.rowId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!journaling_) {
        const std::optional<QString> error = store_->appendBoard(row);
        if (!error)
            return appended;
        databaseError_ = *error;
    }
    appended.error = databaseError_;
    QString folderError;
    const QString path = journalFor(target_, folderError);
    if (path.isEmpty()) {
        appended.error = databaseError_ + QLatin1String("; nor can it wait in a journal: ") + folderError;
        return appended;
    }
    if (const std::optional<QString> problem = appendToJournal(path, row, target_.given)) {
        appended.error = databaseError_ + QLatin1String("; nor can it wait in the journal ") + path +
                         QLatin1String(": ") + *problem;
        return appended;
    }
    journaling_ = true;
    appended.journal = path;
    return appended;
}

} // namespace cli
