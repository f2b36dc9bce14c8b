#include "cli/records/recordstore.h"

#include "cli/records/poolvalues.h"
#include "cli/records/recordsql.h"

#include "cli/exitcodes.h"

namespace cli {

using namespace engine;

namespace {

// Within the schema check's transaction: the tables the database lacks, and
// the version that has them all.
template <typename Failed>
std::optional<QString> upgradeSchema(RecordDatabase &db, const Failed &failed)
{
    for (const QString &statement : recordsql::createSchema(db.dialect())) {
        if (const std::optional<QString> error = db.run(statement))
            return failed(*error);
    }
    QList<SqlRow> rows;
    if (const std::optional<QString> error = db.run(recordsql::rowIdColumnExists(db.dialect()), {}, &rows))
        return failed(*error);
    if (rows.isEmpty() || rows.first().value(0).toInt() == 0) {
        if (const std::optional<QString> error = db.run(recordsql::addRowIdColumn()))
            return failed(*error);
    }
    if (const std::optional<QString> error = db.run(recordsql::indexRowIds()))
        return failed(*error);
    if (const std::optional<QString> error =
            db.run(recordsql::writeSchemaVersion(), {QString::number(recordsql::kSchemaVersion)}))
        return failed(*error);
    if (const std::optional<QString> error = db.run(recordsql::commit()))
        return failed(*error);
    return std::nullopt;
}

} // namespace

RecordStore::Opened RecordStore::open(const RecordTarget &target)
{
    Opened opened;
    DatabaseConnection connection = connectRecordDatabase(target);
    if (!connection.database) {
        opened.errorCode = connection.errorCode;
        opened.error = connection.errorCode == exitcode::kUsage
                           ? QLatin1String("--record ") + target.given + QLatin1String(": ") + connection.error
                           : QLatin1String("can't reach the record database ") + target.given + QLatin1String(": ") +
                                 connection.error;
        return opened;
    }
    std::unique_ptr<RecordStore> store(new RecordStore(std::move(connection.database)));
    int code = exitcode::kBadFile;
    if (const std::optional<QString> problem = store->checkSchema(code)) {
        opened.errorCode = code;
        opened.error = QLatin1String("the record database ") + target.given + QLatin1String(" ") + *problem;
        return opened;
    }
    opened.store = std::move(store);
    return opened;
}

std::optional<QString> RecordStore::checkSchema(int &code)
{
    RecordDatabase &db = *database_;
    const auto failed = [&db](const QString &words) {
        db.run(recordsql::rollback());
        return std::optional<QString>(QLatin1String("can't be used: ") + words);
    };
    for (const QString &statement : recordsql::beginSchemaCheck(db.dialect())) {
        if (const std::optional<QString> error = db.run(statement))
            return failed(*error);
    }
    QList<SqlRow> rows;
    if (const std::optional<QString> error = db.run(recordsql::schemaTableExists(db.dialect()), {}, &rows))
        return failed(*error);
    if (!rows.isEmpty() && rows.first().value(0).toInt() > 0) {
        rows.clear();
        if (const std::optional<QString> error = db.run(recordsql::readSchemaVersion(), {}, &rows))
            return failed(*error);
        const int version = rows.isEmpty() ? 0 : rows.first().value(0).toInt();
        if (version < recordsql::kSchemaVersion && version > 0)
            return upgradeSchema(db, failed);
        db.run(recordsql::rollback());
        if (version > recordsql::kSchemaVersion) {
            code = exitcode::kBadFile;
            return QStringLiteral("has schema version %1, newer than version %2, the newest this feldmoor-cli "
                                  "knows: record with a newer feldmoor-cli")
                .arg(version)
                .arg(recordsql::kSchemaVersion);
        }
        if (version == recordsql::kSchemaVersion)
            return std::nullopt;
        return QStringLiteral("has no schema version (version %1 expected): its tables were not made by "
                              "feldmoor-cli")
            .arg(recordsql::kSchemaVersion);
    }
    return upgradeSchema(db, failed);
}

std::optional<QString> RecordStore::appendBoard(const BoardRow &row)
{
    QStringList parameters = row.fields;
    parameters << row.station << row.serialPool << row.serialNumber << row.rowId;
    if (!row.settlement)
        return database_->run(recordsql::insertBoard(), parameters);
    RecordDatabase &db = *database_;
    std::optional<QString> error = db.run(recordsql::beginWrite(db.dialect()));
    if (!error)
        error = settleValue(db, row.settlement->pool, row.settlement->value, row.settlement->fate);
    if (!error)
        error = db.run(recordsql::insertBoard(), parameters);
    if (!error)
        error = db.run(recordsql::commit());
    if (error)
        db.run(recordsql::rollback());
    return error;
}

} // namespace cli
