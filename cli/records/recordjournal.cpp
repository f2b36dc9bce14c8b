#include "cli/records/recordjournal.h"

#include "cli/boardrecord.h"

#include "engine/statefolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

// Another loader of this station appending, or sending the journal, holds
// it this long at most.
constexpr int kLockWaitMs = 30000;

const QLatin1String kRowKey("row");

QString lockPath(const QString &path)
{
    return path + QLatin1String(".lock");
}

std::optional<QString> readWhole(const QString &path, QByteArray &text)
{
    QFile file(path);
    if (!file.exists()) {
        text.clear();
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    text = file.readAll();
    return std::nullopt;
}

std::optional<QString> lockJournal(QLockFile &lock, const QString &path)
{
    lock.setStaleLockTime(0);  // a lock whose loader is gone is stale at once
    if (lock.tryLock(kLockWaitMs))
        return std::nullopt;
    return QLatin1String("another feldmoor-cli holds the journal ") + path;
}

} // namespace

QString journalPath(const QString &folder, const RecordTarget &target)
{
    const QString named = target.kind == RecordKind::Sqlite
                              ? QLatin1String("sqlite:") + QFileInfo(target.location).absoluteFilePath()
                              : target.location;
    const QByteArray hash = QCryptographicHash::hash(named.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return folder + QLatin1String("/record-journal-") + QString::fromLatin1(hash) + QLatin1String(".jsonl");
}

QByteArray journalLine(const BoardRow &row, const QString &target)
{
    QJsonObject fields;
    const QStringList header = boardRecordHeader();
    for (int i = 0; i < header.size(); ++i)
        fields.insert(header.at(i), row.fields.value(i));
    // The whole row: its value's confirmation, once it drew one, is sent
    // from serial_pool and serial_number.
    const QJsonObject entry{{QStringLiteral("target"), target},
                            {QStringLiteral("row_id"), row.rowId},
                            {kRowKey, fields},
                            {QStringLiteral("station"), row.station},
                            {QStringLiteral("serial_pool"), row.serialPool},
                            {QStringLiteral("serial_number"), row.serialNumber}};
    return QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
}

QList<BoardRow> journalRows(const QByteArray &text)
{
    QList<BoardRow> rows;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        // The last piece has no line end: a line torn by a crash, or nothing.
        if (n == lines.size() - 1)
            break;
        QJsonParseError error;
        const QJsonObject entry = QJsonDocument::fromJson(lines.at(n), &error).object();
        if (error.error != QJsonParseError::NoError || !entry.value(kRowKey).isObject())
            continue;
        const QJsonObject fields = entry.value(kRowKey).toObject();
        BoardRow row;
        for (const QString &column : boardRecordHeader())
            row.fields << fields.value(column).toString();
        row.station = entry.value(QStringLiteral("station")).toString();
        row.serialPool = entry.value(QStringLiteral("serial_pool")).toString();
        row.serialNumber = entry.value(QStringLiteral("serial_number")).toString();
        row.rowId = entry.value(QStringLiteral("row_id")).toString();
        if (!row.rowId.isEmpty())
            rows << row;
    }
    return rows;
}

std::optional<QString> appendToJournal(const QString &path, const BoardRow &row, const QString &target)
{
    QLockFile lock(lockPath(path));
    if (const std::optional<QString> locked = lockJournal(lock, path))
        return locked;
    QByteArray text;
    if (const std::optional<QString> error = readWhole(path, text))
        return error;
    if (!text.isEmpty() && !text.endsWith('\n'))
        text += '\n';  // a torn line stays apart from the new one
    text += journalLine(row, target);
    QString error;
    if (!engine::writeDurably(path, text, error))
        return error;
    return std::nullopt;
}

JournalHold::JournalHold(const QString &path) : path_(path), lock_(lockPath(path))
{
    if ((error_ = lockJournal(lock_, path)))
        return;
    QByteArray text;
    if ((error_ = readWhole(path, text)))
        return;
    rows_ = journalRows(text);
    const qsizetype end = text.indexOf('\n');
    if (end > 0)
        target_ = QJsonDocument::fromJson(text.left(end)).object().value(QStringLiteral("target")).toString();
}

std::optional<QString> JournalHold::keep(const QList<BoardRow> &left)
{
    if (left.isEmpty()) {
        QFile file(path_);
        if (file.exists() && !file.remove())
            return file.errorString();
        rows_.clear();
        return std::nullopt;
    }
    QByteArray text;
    for (const BoardRow &row : left)
        text += journalLine(row, target_);
    QString error;
    if (!engine::writeDurably(path_, text, error))
        return error;
    rows_ = left;
    return std::nullopt;
}

} // namespace cli
