#include "recordrows.h"

#include <QFile>
#include <QtGlobal>

#include <libpq-fe.h>
#include <sqlite3.h>

Rows sqliteRows(const QString &file, const char *sql)
{
    Rows rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, c)));
            rows << row;
        }
    } else {
        qWarning("sqlite: %s", sqlite3_errmsg(db));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

Rows postgresRows(const QString &uri, const char *sql)
{
    Rows rows;
    PGconn *connection = PQconnectdb(uri.toUtf8().constData());
    PGresult *result = PQexec(connection, sql);
    if (PQresultStatus(result) == PGRES_TUPLES_OK) {
        for (int r = 0; r < PQntuples(result); ++r) {
            QStringList row;
            for (int c = 0; c < PQnfields(result); ++c)
                row << QString::fromUtf8(PQgetvalue(result, r, c));
            rows << row;
        }
    } else {
        qWarning("postgres: %s", PQerrorMessage(connection));
    }
    PQclear(result);
    PQfinish(connection);
    return rows;
}
