#include "cli/boardrecord.h"

#include <QFile>
#include <QFileInfo>

namespace cli {

QStringList boardRecordHeader()
{
    return {QStringLiteral("time"),   QStringLiteral("host"),      QStringLiteral("file"),
            QStringLiteral("sha256"), QStringLiteral("part"),      QStringLiteral("idcode"),
            QStringLiteral("kind"),   QStringLiteral("result"),    QStringLiteral("exit_code"),
            QStringLiteral("seconds"), QStringLiteral("restarts"),  QStringLiteral("location"),
            QStringLiteral("serial"), QStringLiteral("unchanged"), QStringLiteral("programmed"),
            QStringLiteral("erased")};
}

QString csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (QString field : fields) {
        if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) || field.contains(QLatin1Char('\n')) ||
            field.contains(QLatin1Char('\r'))) {
            field.replace(QLatin1String("\""), QLatin1String("\"\""));
            field = QLatin1Char('"') + field + QLatin1Char('"');
        }
        quoted << field;
    }
    return quoted.join(QLatin1Char(','));
}

bool appendBoardRecord(const QString &path, const QStringList &fields, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file.errorString();
        return false;
    }
    QByteArray text;
    if (file.size() == 0)
        text += csvLine(boardRecordHeader()).toUtf8() + '\n';
    text += csvLine(fields).toUtf8() + '\n';
    if (file.write(text) != text.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool recordAppendable(const QString &path, QString &error)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        error = QStringLiteral("it is a folder");
        return false;
    }
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("it is not a regular file");
        return false;
    }
    const bool existed = info.exists();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file.errorString();
        return false;
    }
    file.close();
    if (!existed)
        file.remove();
    return true;
}

} // namespace cli
