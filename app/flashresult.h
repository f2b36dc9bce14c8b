#ifndef FELDMOOR_APP_FLASHRESULT_H
#define FELDMOOR_APP_FLASHRESULT_H

#include "app/flashoperation.h"
#include "engine/jobevents.h"
#include "engine/flashgeometry.h"
#include "engine/outcome.h"

#include <QString>

#include <optional>

// How a Flash menu operation ended, as the window tells it: the facts, not
// the loader's sentences.
struct FlashResult {
    FlashOperation operation = FlashOperation::Verify;
    engine::OutcomeKind kind = engine::OutcomeKind::Passed;  // how the job ended
    bool stopped = false;
    std::optional<engine::FlashRange> range;
    QString boardPart;
    quint64 sectorSize = 0;  // 0: the tool did not tell it
    std::optional<engine::BlankCheck> blank;
    std::optional<FlashDifference> difference;
    QString target;  // the read-back's file
};

// The one line a Flash menu operation ends the log with. A failure says
// 失败, a success never does; every address is 0x and hex digits.
QString flashResultLine(const FlashResult &result);

// Lines for an operation that ends before its job runs.
QString flashImageProblemLine(FlashOperation operation, FlashImageProblem problem, const QString &file);
QString readTargetProblemLine(ReadTargetProblem problem, const QString &target);
QString noFileLine(FlashOperation operation);
QString probeFailureLine(FlashOperation operation, engine::OutcomeKind kind, std::optional<quint32> idcode);
QString partCancelLine(FlashOperation operation, const QString &boardPart, const QString &named);
QString eraseCancelLine();

// How the window tells failures apart: the kinds of end it words alike.
enum class FlashFailure { None, Range, AdapterGone, HostFile, ToolMissing, TooManyRestarts, PartMismatch, Timeout,
                          Differs, DoneLow, NotBlank, Tool };
FlashFailure flashFailure(engine::OutcomeKind kind);

// "0x00000000..0x0003ffff", or the whole flash when the range is unknown.
QString flashRangeWords(const std::optional<engine::FlashRange> &range);

#endif
