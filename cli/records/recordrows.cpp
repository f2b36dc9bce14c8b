#include "cli/records/recordrows.h"

#include "cli/boardrecord.h"
#include "cli/records/csvread.h"
#include "cli/records/recordsql.h"

#include <QFile>

namespace cli {

QStringList databaseRowHeader()
{
    return boardRecordHeader() << QStringLiteral("station") << QStringLiteral("serial_pool")
                               << QStringLiteral("serial_number");
}

std::optional<RecordedRows> databaseRows(RecordDatabase &db, QString &error)
{
    QList<SqlRow> rows;
    if (const std::optional<QString> failed = db.run(recordsql::selectBoards(), {}, &rows)) {
        error = *failed;
        return std::nullopt;
    }
    RecordedRows recorded;
    recorded.header = databaseRowHeader();
    for (SqlRow &row : rows) {
        for (QString &field : row) {
            if (field.isNull())
                field = QLatin1String("");
        }
        recorded.rows << row;
    }
    return recorded;
}

std::optional<RecordedRows> csvRecordRows(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    QList<QStringList> rows = csvRows(file.readAll());
    RecordedRows recorded;
    if (!rows.isEmpty())
        recorded.header = rows.takeFirst();
    if (!recorded.header.contains(QLatin1String("result"))) {
        error = QStringLiteral("its first line is not the record's header (time, host, file, ... result, ...)");
        return std::nullopt;
    }
    recorded.rows = rows;
    return recorded;
}

} // namespace cli
