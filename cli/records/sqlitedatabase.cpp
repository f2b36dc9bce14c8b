#include "cli/records/sqlitedatabase.h"

#include <QFile>

#include <sqlite3.h>

namespace cli {

namespace {

// Loaders of one station share the file: a writer waits for another this
// long before the row counts as not writable.
constexpr int kBusyWaitMs = 20000;

} // namespace

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const QString &path, QString &error)
{
    sqlite3 *handle = nullptr;
    const int status = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (status != SQLITE_OK) {
        error = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(status));
        sqlite3_close(handle);
        return nullptr;
    }
    sqlite3_busy_timeout(handle, kBusyWaitMs);
    // A write-ahead log syncs once per commit where a rollback journal syncs
    // the journal, the file and its folder: a board's draw, confirmation and
    // row cost a third. Still synced at each commit, so a value drawn is
    // never drawn again after a power cut. A file that is no database fails
    // here as at its first statement, which says so.
    sqlite3_exec(handle, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(handle));
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close(handle_);
}

std::optional<QString> SqliteDatabase::run(const QString &sql, const QStringList &parameters, QList<SqlRow> *rows)
{
    // SQLite names numbered parameters ?N where PostgreSQL says $N.
    QString text = sql;
    text.replace(QLatin1Char('$'), QLatin1Char('?'));
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle_, utf8.constData(), int(utf8.size()), &statement, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(handle_));
    std::vector<QByteArray> bound;
    bound.reserve(size_t(parameters.size()));
    for (int i = 0; i < parameters.size(); ++i) {
        if (parameters.at(i).isNull()) {
            sqlite3_bind_null(statement, i + 1);
            continue;
        }
        bound.push_back(parameters.at(i).toUtf8());
        sqlite3_bind_text(statement, i + 1, bound.back().constData(), int(bound.back().size()), SQLITE_STATIC);
    }
    int status;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
        if (!rows)
            continue;
        SqlRow row;
        const int columns = sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
            row << (value ? QString::fromUtf8(value, sqlite3_column_bytes(statement, c)) : QString());
        }
        rows->append(row);
    }
    std::optional<QString> error;
    if (status != SQLITE_DONE)
        error = QString::fromUtf8(sqlite3_errmsg(handle_));
    sqlite3_finalize(statement);
    return error;
}

} // namespace cli
