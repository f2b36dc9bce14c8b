#ifndef FELDMOOR_CLI_SERIALSUPPLY_H
#define FELDMOOR_CLI_SERIALSUPPLY_H

#include "cli/cliargs.h"
#include "cli/records/poolvalues.h"

#include "engine/jobrequest.h"
#include "engine/jobsteps.h"

#include <memory>
#include <optional>

namespace engine {
struct JobOutcome;
}

namespace cli {

class RecordStore;

// A value drawn for one board: what its job writes, and what its row says.
struct DrawnSerial {
    quint64 value = 0;
    engine::SerialWrite write;
    QString text;  // as the pool's format prints it
};

// How a board's job ends its value: used once the write verified, free
// when no write run began, else spoiled.
ValueFate serialFate(const engine::JobState &found);

// The serial numbers of a session's boards, from one pool of the record's
// database: one drawn before each board's job, settled after it.
class SerialSupply {
public:
    struct Opened {
        std::unique_ptr<SerialSupply> supply;
        int errorCode = 0;
        QString error;
    };
    // Checked before any board is touched: the pool exists, and its values
    // lie outside the image's range.
    static Opened open(RecordStore &store, const SerialNumberRequest &request, const engine::JobRequest &job);

    struct Draw {
        std::optional<DrawnSerial> serial;
        int errorCode = 0;  // when none was drawn: the pool is empty, or the database failed
        QString error;
    };
    Draw draw();
    // The database's words when the value's state could not be written.
    std::optional<QString> settle(const DrawnSerial &serial, ValueFate fate);
    const QString &pool() const { return request_.pool; }

private:
    SerialSupply(RecordStore &store, SerialNumberRequest request, SerialFormat format)
        : store_(store), request_(std::move(request)), format_(format) {}

    RecordStore &store_;
    SerialNumberRequest request_;
    SerialFormat format_;
    LoaderMark mark_;
};

} // namespace cli

#endif
