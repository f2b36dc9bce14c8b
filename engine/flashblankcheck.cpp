#include "engine/flashstepparts.h"

#include "engine/jobobserver.h"

namespace engine {

Verdict blankCheckVerdict(const JobRequest &request, const JobState &state, QIODevice &dump, JobObserver &reporter)
{
    const BlankCheck check = scanBlank(dump, state.range ? state.range->offset : 0);
    reporter.blankCheck(check);
    Outcome found = flashOutcome(request, state, check.nonBlank == 0 ? OutcomeKind::Blank : OutcomeKind::NotBlank,
                                 StepKind::BlankCheckRead);
    found.part = commandPart(request, state);
    found.blank = check;
    return Verdict::done(found);
}

BlankCheck scanBlank(QIODevice &device, quint64 offset)
{
    BlankCheck check;
    check.offset = offset;
    constexpr qint64 kChunk = 1024 * 1024;
    while (!device.atEnd()) {
        const QByteArray chunk = device.read(kChunk);
        if (chunk.isEmpty())
            break;
        for (qsizetype i = 0; i < chunk.size(); ++i) {
            if (chunk.at(i) == '\xff')
                continue;
            if (check.nonBlank++ == 0)
                check.firstNonBlank = offset + check.size + quint64(i);
        }
        check.size += quint64(chunk.size());
    }
    return check;
}

} // namespace engine
