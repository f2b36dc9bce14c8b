#ifndef FELDMOOR_CLI_REPORTPAGE_H
#define FELDMOOR_CLI_REPORTPAGE_H

#include <QString>

namespace cli {

struct RecordReport;

// The report as one HTML page that needs nothing beside it: its tables, and
// charts drawn as inline SVG of the boards passed and failed per hour and
// per station.
QString reportPage(const RecordReport &report);

} // namespace cli

#endif
