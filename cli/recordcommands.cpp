#include "cli/recordcommands.h"

#include "cli/boardrecord.h"
#include "cli/cliargs.h"
#include "cli/records/boardreport.h"
#include "cli/records/journalsend.h"
#include "cli/records/recordrows.h"
#include "cli/records/recordstore.h"
#include "cli/reporter.h"
#include "cli/streamwrite.h"
#include "cli/exitcodes.h"

#include <cstdio>

namespace cli {

using namespace engine;

namespace {

QString rowCount(int rows)
{
    return QStringLiteral("%1 %2").arg(rows).arg(rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
}

// The journal's rows sent, or what kept them.
int syncJournal(RecordStore &store, const RecordTarget &target, Reporter &reporter)
{
    const JournalSent sent = sendWaitingRows(store, target);
    if (sent.sending.error) {
        reporter.result({exitcode::kBadFile,
                         QStringLiteral("can't send the journal %1 to the record database %2: %3 (%4 sent, %5 left)")
                             .arg(sent.path, target.given, *sent.sending.error, rowCount(sent.sending.sent))
                             .arg(sent.sending.left),
                         0.0,
                         {}});
        return exitcode::kBadFile;
    }
    const QString from = sent.path.isEmpty() ? QStringLiteral("the journal") : QLatin1String("the journal ") + sent.path;
    reporter.result({exitcode::kOk,
                     QStringLiteral("sent %1 from %2 to the record database %3")
                         .arg(rowCount(sent.sending.sent), from, target.given),
                     0.0,
                     {}});
    return exitcode::kOk;
}

// The rows as CSV, quoted as the CSV record is, under their header.
int exportRows(RecordStore &store, const CliOptions &options, Reporter &reporter)
{
    QString error;
    const std::optional<RecordedRows> recorded = databaseRows(store.database(), error);
    if (!recorded) {
        reporter.result({exitcode::kBadFile,
                         QLatin1String("the record database ") + options.recordFile + QLatin1String(": ") + error, 0.0,
                         {}});
        return exitcode::kBadFile;
    }
    QByteArray text = csvLine(recorded->header).toUtf8() + '\n';
    for (const QStringList &row : recorded->rows) {
        if (withinReport(reportRow(recorded->header, row), options.since))
            text += csvLine(row).toUtf8() + '\n';
    }
    writeNow(stdout, text);
    return exitcode::kOk;
}

} // namespace

int runRecordCommand(const CliOptions &options, Reporter &reporter)
{
    const RecordTarget target = recordTarget(options.recordFile);
    RecordStore::Opened opened = RecordStore::open(target);
    if (!opened.store) {
        reporter.result({opened.errorCode, opened.error, 0.0, {}});
        return opened.errorCode;
    }
    if (options.recordAction == RecordAction::Export)
        return exportRows(*opened.store, options, reporter);
    return syncJournal(*opened.store, target, reporter);
}

} // namespace cli
