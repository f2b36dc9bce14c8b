#include "cli/poolcommands.h"

#include "cli/cliargs.h"
#include "cli/records/poolstore.h"
#include "cli/records/poolvalues.h"
#include "cli/records/recordstore.h"
#include "cli/reporter.h"
#include "cli/streamwrite.h"
#include "cli/exitcodes.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace cli {

using namespace engine;

namespace {

QString quotedJson(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

// Written by hand: JSON numbers are exact in the text, where a 64-bit value
// would lose its last digits through a double.
QString poolJson(const PoolState &pool)
{
    const QString next = pool.next ? QString::number(*pool.next) : QStringLiteral("null");
    return QStringLiteral("{\"type\":\"pool\",\"name\":%1,\"format\":%2,\"first\":%3,\"last\":%4,\"free\":%5,"
                          "\"used\":%6,\"reserved\":%7,\"spoiled\":%8,\"next\":%9}")
        .arg(quotedJson(pool.range.name), quotedJson(serialFormatName(pool.range.format)))
        .arg(pool.range.first)
        .arg(pool.range.last)
        .arg(freeCount(pool))
        .arg(pool.used)
        .arg(pool.reserved)
        .arg(pool.spoiled)
        .arg(next);
}

QString poolText(const PoolState &pool)
{
    return QStringLiteral("%1: %2, %3 to %4, next %5; free %6, used %7, reserved %8, spoiled %9")
        .arg(pool.range.name, serialFormatName(pool.range.format))
        .arg(pool.range.first)
        .arg(pool.range.last)
        .arg(pool.next ? QString::number(*pool.next) : QStringLiteral("none"))
        .arg(freeCount(pool))
        .arg(pool.used)
        .arg(pool.reserved)
        .arg(pool.spoiled);
}

namespace {

QString releaseRefusal(PoolOutcome outcome, const PoolRequest &request)
{
    const QString value = QStringLiteral("%1 of pool %2").arg(request.value).arg(request.name);
    switch (outcome) {
    case PoolOutcome::Used:
        return value + QLatin1String(" is used: its board's write verified, so it can't be given again");
    case PoolOutcome::Reserved:
        return value + QLatin1String(" is reserved by a loader at work on its board");
    case PoolOutcome::AlreadyFree:
        return value + QLatin1String(" is free already");
    default:
        break;
    }
    return value + QLatin1String(" was never drawn");
}

} // namespace

int runPoolCommand(const CliOptions &options, Reporter &reporter)
{
    const PoolRequest &request = options.pool;
    const auto answer = [&reporter](int code, const QString &message) {
        reporter.result({code, message, 0.0, {}});
        return code;
    };
    const RecordTarget target = recordTarget(options.recordFile);
    RecordStore::Opened opened = RecordStore::open(target);
    if (!opened.store)
        return answer(opened.errorCode, opened.error);
    RecordDatabase &db = opened.store->database();
    const QString databaseFailed = QLatin1String("the record database ") + target.given + QLatin1String(": ");

    if (request.action == PoolAction::Create) {
        const PoolAnswer created = createPool(db, {request.name, request.format, request.first, request.last});
        if (created.outcome == PoolOutcome::DatabaseFailed)
            return answer(exitcode::kBadFile, databaseFailed + created.error);
        if (created.outcome == PoolOutcome::NameTaken)
            return answer(exitcode::kUsage, QStringLiteral("a pool named %1 exists already").arg(request.name));
        return answer(exitcode::kOk, QStringLiteral("pool %1 made: %2, %3 to %4")
                                         .arg(request.name, serialFormatName(request.format))
                                         .arg(request.first)
                                         .arg(request.last));
    }
    if (request.action == PoolAction::Release) {
        const PoolAnswer released = releaseValue(db, request.name, request.value);
        if (released.outcome == PoolOutcome::DatabaseFailed)
            return answer(exitcode::kBadFile, databaseFailed + released.error);
        if (released.outcome == PoolOutcome::NoSuchPool)
            return answer(exitcode::kUsage, QStringLiteral("there is no pool named %1").arg(request.name));
        if (released.outcome != PoolOutcome::Done)
            return answer(exitcode::kUsage, releaseRefusal(released.outcome, request));
        return answer(exitcode::kOk,
                      QStringLiteral("%1 of pool %2 is free again").arg(request.value).arg(request.name));
    }
    // A reservation whose loader is gone is counted as what it is.
    if (const std::optional<QString> failed = spoilAbandoned(db, request.name))
        return answer(exitcode::kBadFile, databaseFailed + *failed);
    QString error;
    const std::optional<QList<PoolState>> pools = readPools(db, request.name, error);
    if (!pools)
        return answer(exitcode::kBadFile, databaseFailed + error);
    if (pools->isEmpty() && !request.name.isEmpty())
        return answer(exitcode::kUsage, QStringLiteral("there is no pool named %1").arg(request.name));
    QString lines;
    for (const PoolState &pool : *pools)
        lines += (options.json ? poolJson(pool) : poolText(pool)) + QLatin1Char('\n');
    writeNow(stdout, lines.toUtf8());
    return exitcode::kOk;
}

} // namespace cli
