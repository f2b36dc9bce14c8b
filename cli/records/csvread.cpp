#include "cli/records/csvread.h"

namespace cli {

QList<QStringList> csvRows(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool started = false;  // the line holds something, if only an empty field
    const auto endRow = [&] {
        if (started)
            rows << (row << field);
        row.clear();
        field.clear();
        started = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            started = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
            started = true;
        } else if (c == QLatin1Char('\n')) {
            endRow();
        } else if (c != QLatin1Char('\r')) {
            field += c;
            started = true;
        }
    }
    endRow();
    return rows;
}

} // namespace cli
