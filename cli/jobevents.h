#ifndef FELDMOOR_CLI_JOBEVENTS_H
#define FELDMOOR_CLI_JOBEVENTS_H

#include <QString>

#include <optional>

namespace cli {

// What a job found out, as facts; the reporter turns each into text or JSON.

// The board's part against what the file says it was made for.
struct PartCheck {
    bool ok = false;
    std::optional<quint32> idcode;  // nothing: the chain is empty
    QString boardPart;              // catalogue name; empty when the IDCODE is not in it
    QString expectedPart;
    QString claimSource;            // "the .bit header", "the image's IDCODE packet", "--part"
    QString commandPart;            // set when the commands are for another part than expected
};

// DONE after a configuration; `high` is nothing when the family's DONE is
// not read.
struct DoneCheck {
    std::optional<bool> high;
    quint32 status = 0;
    QString family;
};

struct Restart {
    int attempt = 0;
    int allowed = 0;
    QString reason;
};

struct JobResult {
    int code = 0;
    QString message;
    double seconds = 0;
};

} // namespace cli

#endif
