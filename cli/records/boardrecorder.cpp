#include "cli/records/boardrecorder.h"

#include "cli/boardrecord.h"
#include "cli/records/recordstore.h"

#include "cli/exitcodes.h"

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

std::optional<QString> BoardRecorder::append(const BoardRow &row)
{
    if (store_)
        return store_->appendBoard(row);
    QString error;
    if (appendBoardRecord(target_.location, row.fields, error))
        return std::nullopt;
    return error;
}

} // namespace cli
