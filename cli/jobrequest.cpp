#include "cli/jobrequest.h"

DownloadRequest downloadRequest(const JobRequest &request)
{
    DownloadRequest load;
    load.partName = request.partName;
    load.clockText = request.clockText;
    load.kind = request.kind;
    load.filePath = request.filePath;
    load.applicationDir = request.applicationDir;
    return load;
}
