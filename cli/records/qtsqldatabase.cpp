#include "cli/records/qtsqldatabase.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>

namespace cli {

namespace {

// Loaders of one station share the file: a writer waits for another this
// long before the row counts as not writable.
constexpr int kBusyWaitMs = 20000;

QString words(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.simplified();
}

} // namespace

std::unique_ptr<QtSqlDatabase> QtSqlDatabase::open(const QString &path, QString &error)
{
    const QString driver = QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        error = QStringLiteral("Qt SQL's SQLite driver (sqldrivers/qsqlite) is not installed beside feldmoor-cli");
        return nullptr;
    }
    // Qt SQL makes an SQLite file in a folder that does not exist no more
    // than SQLite does, but says less: the folder is checked first.
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        error = QStringLiteral("unable to open database file");
        return nullptr;
    }
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyWaitMs));
        if (!db.open()) {
            error = words(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return nullptr;
        }
    }
    return std::unique_ptr<QtSqlDatabase>(new QtSqlDatabase(name));
}

QtSqlDatabase::~QtSqlDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

std::optional<QString> QtSqlDatabase::run(const QString &sql, const QStringList &parameters, QList<SqlRow> *rows)
{
    // Qt SQL counts each ? as a value of its own and knows no ?N, so a $N
    // that comes twice is bound twice, in the order the statement names them.
    static const QRegularExpression numbered(QStringLiteral("\\$([0-9]+)"));
    QString text;
    QStringList values;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = numbered.globalMatch(sql); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        text += sql.mid(from, match.capturedStart() - from);
        text += QLatin1Char('?');
        const qsizetype index = match.captured(1).toInt() - 1;
        if (index < 0 || index >= parameters.size())
            return QStringLiteral("the statement names parameter %1 of %2").arg(index + 1).arg(parameters.size());
        values << parameters.at(index);
        from = match.capturedEnd();
    }
    text += sql.mid(from);
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!query.prepare(text))
        return words(query.lastError());
    for (const QString &value : values)
        query.addBindValue(value.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(value));
    if (!query.exec())
        return words(query.lastError());
    while (query.next()) {
        if (!rows)
            continue;
        SqlRow row;
        for (int c = 0; c < query.record().count(); ++c)
            row << (query.isNull(c) ? QString() : query.value(c).toString());
        rows->append(row);
    }
    if (query.lastError().isValid())
        return words(query.lastError());
    return std::nullopt;
}

} // namespace cli
