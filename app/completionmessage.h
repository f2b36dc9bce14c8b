#ifndef FELDMOOR_APP_COMPLETIONMESSAGE_H
#define FELDMOOR_APP_COMPLETIONMESSAGE_H

#include "download/filekind.h"

#include <QProcess>
#include <QString>

// The line appended to the log pane at the end of a run: success per file kind, the exit code of a failed run,
// or a crash (which includes a run ended by force).
QString completionMessage(FileKind kind, QProcess::ExitStatus status, int exitCode);

#endif
