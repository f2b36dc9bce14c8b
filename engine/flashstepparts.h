#ifndef FELDMOOR_ENGINE_FLASHSTEPPARTS_H
#define FELDMOOR_ENGINE_FLASHSTEPPARTS_H

#include "engine/jobevents.h"
#include "engine/jobrequest.h"
#include "engine/jobsteps.h"
#include "engine/outcome.h"
#include "engine/sectorrecovery.h"

#include <QIODevice>
#include <QString>
#include <QStringList>

namespace engine {

// What the flash operations' steps share, and each operation's steps, one
// file each: flashread.cpp, flashblankcheck.cpp, flasherase.cpp,
// flashverify.cpp, flashsectorread.cpp and flashsectorwrite.cpp (the write
// of the sectors that differ), flashoffsetwrite.cpp (the whole image, at 0 or
// at an offset), flashreload.cpp; the range rules are in flashrange.h.

// An outcome of a flash step, with the flash the tool reported.
Outcome flashOutcome(const JobRequest &request, const JobState &state, OutcomeKind kind, StepKind step);

// A host file the job could not make, write or put in place.
Verdict hostFileFailed(const JobRequest &request, StepKind step, HostFile file, const QString &path,
                       const QString &error);

// The flash run with `pieces`, for the part the commands are for.
DownloadCommand flashCommand(const JobRequest &request, const JobState &state, const QStringList &pieces);

// A flash write that ends without its reload.
Outcome writtenOutcome(const JobRequest &request, const JobState &state, const QString &part);
// After a write that went through: the job ends written, or, with its
// reload, goes on to the DONE check where the family has one.
Verdict writeEnd(const JobRequest &request, JobState &state, JobObserver &reporter);

// Whose range the sectors a write keeps on the disk belong to.
RecoveryOwner recoveryOwner(const JobRequest &request, const JobState &state);

// One run: `flash banks`, then the read (of a blank check too).
Step readStep(const JobRequest &request);

// The blank check on the host of what the read put in `dump`.
Verdict blankCheckVerdict(const JobRequest &request, const JobState &state, QIODevice &dump, JobObserver &reporter);

// Counts the bytes other than 0xFF in `device` from its position on, read
// as the range from `offset`: the blank check on the host, since
// `flash erase_check` does not work on a jtagspi bank.
BlankCheck scanBlank(QIODevice &device, quint64 offset);

Step eraseStep(const JobRequest &request);

// The flash against the file, from the job's offset.
Step verifyStep(const JobRequest &request);

// The read before a write of the sectors that differ, and that write.
Step sectorReadStep(const JobRequest &request);
Step sectorWriteStep(const JobRequest &request);

// The write of the whole image: at 0 the window's list, word for word.
Step writeStep(const JobRequest &request);

Step reloadStep(const JobRequest &request);

} // namespace engine

#endif
