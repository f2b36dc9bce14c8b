#include "engine/flashsteps.h"

#include "engine/flashrange.h"
#include "engine/flashstepparts.h"

namespace engine {

namespace {

using Mode = JobRequest::Mode;

} // namespace

FlashLeftChanged flashLeftChanged(const JobRequest &request, const JobState &state)
{
    FlashLeftChanged left;
    left.erase = request.mode == Mode::Erase;
    if (left.erase && request.flash.whole) {
        left.whole = true;
        left.size = state.flash ? state.flash->size : 0;
        return left;
    }
    // A write sector by sector was in one sector alone.
    if (state.sectorStopped) {
        left.offset = state.sectorStopped->currentAddress;
        left.size = state.sectorStopped->sectorSize;
        left.sectors = true;
        return left;
    }
    FlashRange range = checkedRange(request, state);
    if (state.flash && state.flash->knowsSectors()) {
        range = sectorCover(*state.flash, range);
        left.sectors = true;
    }
    left.offset = range.offset;
    left.size = range.size;
    return left;
}

QList<Step> flashJobSteps(const JobRequest &request)
{
    const Step probe = boardPartStep(request);
    switch (request.mode) {
    case Mode::Verify:
        return {probe, verifyStep(request)};
    case Mode::Read:
    case Mode::BlankCheck:
        return {probe, readStep(request)};
    case Mode::Erase:
        if (request.flash.whole)
            return {probe, eraseStep(request)};
        return {probe, geometryStep(request), eraseStep(request)};
    case Mode::Reload:
        return {probe, reloadStep(request), statusStep(request)};
    default:
        break;
    }
    QList<Step> steps{probe};
    if (!request.flash.full) {
        steps << sectorReadStep(request) << sectorWriteStep(request);
        if (request.flash.reload)
            steps << statusStep(request);
        return steps;
    }
    // Without an offset, the window's job exactly: its write, then DONE.
    if (request.flash.offsetGiven())
        steps << geometryStep(request);
    steps << writeStep(request);
    if (request.flash.reload)
        steps << statusStep(request);
    return steps;
}

} // namespace engine
