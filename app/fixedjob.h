#ifndef FELDMOOR_APP_FIXEDJOB_H
#define FELDMOOR_APP_FIXEDJOB_H

#include "download/commandcomposition.h"
#include "engine/jobrequest.h"

#include <QString>

#include <cstdint>

// What a job is, taken once when it starts: its runs (a restart after a
// too-fast erase included) and its checks use this, never the form, which
// the user may edit meanwhile for the next job.
struct FixedJob {
    DownloadRequest request{QString(), QString(), FileKind::Bit, QString(), QString()};
    AdapterSelection adapter;
    QString program;
    // The file as it was when the job started.
    qint64 fileSize = 0;
    QString imagePart;  // the catalogue part a .bin's IDCODE packet names, else empty
    QString bitPart;    // the catalogue part a .bit's header names, else empty
    // A "BIN" job that writes only the sectors that differ, as the loader does.
    bool changedSectorsOnly = false;
    QString adapterKey;  // the engine's name of the adapter, for its kept sectors

    // The divisor of the progress percentage, cut to 32 bits as the bar
    // always took it.
    std::uint32_t progressSize() const { return static_cast<std::uint32_t>(fileSize); }
};

// Reads every fact about the file `request` names that the job goes by.
FixedJob fixJob(const DownloadRequest &request, const AdapterSelection &adapter, const QString &program);

// The loader's default write of a "BIN" job: read back, write the sectors
// that differ, verify, reload and check DONE. The window has asked about a
// board of another part before it runs.
engine::JobRequest changedSectorsRequest(const FixedJob &job);

#endif
