#include "transcript.h"

#include <QRegularExpression>

namespace {

// A line without what follows " in " (durations and rates).
QString withoutTiming(const QString &line)
{
    static const QRegularExpression timing(QStringLiteral(" in \\d+(\\.\\d+)?s( \\d+us)?( \\(.*\\))?$"));
    QString cut = line;
    cut.remove(timing);
    return cut;
}

}  // namespace

QStringList linesWeRead(const QString &transcript)
{
    static const QRegularExpression sector(QStringLiteral("^(?:Info : )?sector (\\d+) took \\d+ ?ms"));
    static const QRegularExpression chip(QStringLiteral("^Info : took \\d+ ms$"));
    static const QRegularExpression loaded(QStringLiteral("^(?:Info : )?(loaded file .* to pld device 0)( in |:)"));
    QStringList lines;
    for (QString line : transcript.split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        const auto sectorMatch = sector.match(line);
        const auto loadedMatch = loaded.match(line);
        if (sectorMatch.hasMatch())
            lines << QStringLiteral("sector %1 took _ ms").arg(sectorMatch.captured(1));
        else if (chip.match(line).hasMatch())
            lines << QStringLiteral("took _ ms (chip erase)");
        else if (loadedMatch.hasMatch())
            lines << loadedMatch.captured(1);
        else if (line.startsWith(QLatin1String("Info : JTAG tap: ")) || line == QLatin1String("contents match") ||
                 line == QLatin1String("contents differ") || line.startsWith(QLatin1String("virtex2 status register:")) ||
                 line.startsWith(QLatin1String("#0 : ")) || line.startsWith(QLatin1String("\t#")) ||
                 line.startsWith(QLatin1String("flash 'micron")) || line.startsWith(QLatin1String("(page size")) ||
                 line.startsWith(QLatin1String("Warn : Adding extra erase range")) ||
                 line.startsWith(QLatin1String("Warn : no flash bank found")) ||
                 line.startsWith(QLatin1String("adapter usb location:")))
            lines << line;
        else if (line.startsWith(QLatin1String("wrote ")) || line.startsWith(QLatin1String("read ")) ||
                 line.startsWith(QLatin1String("erased ")))
            lines << withoutTiming(line);
    }
    return lines;
}

QList<int> sectorMilliseconds(const QString &transcript)
{
    static const QRegularExpression sector(QStringLiteral("sector \\d+ took (\\d+) ?ms"));
    QList<int> times;
    auto it = sector.globalMatch(transcript);
    while (it.hasNext())
        times << it.next().captured(1).toInt();
    return times;
}

QString sideBySide(const QString &leftTitle, const QString &left, const QString &rightTitle, const QString &right)
{
    constexpr int kWidth = 78;
    QStringList a = left.split(QLatin1Char('\n'));
    QStringList b = right.split(QLatin1Char('\n'));
    a.prepend(QStringLiteral("---- ") + leftTitle);
    b.prepend(QStringLiteral("---- ") + rightTitle);
    QString out;
    for (int i = 0; i < std::max(a.size(), b.size()); ++i) {
        QString l = i < a.size() ? a[i] : QString();
        const QString r = i < b.size() ? b[i] : QString();
        l.remove(QLatin1Char('\r')).replace(QLatin1Char('\t'), QLatin1String("  "));
        if (l.size() > kWidth)
            l = l.left(kWidth - 1) + QChar(0x2026);
        out += l.leftJustified(kWidth) + QLatin1String(" | ") + QString(r).remove(QLatin1Char('\r')) +
               QLatin1Char('\n');
    }
    return out;
}

QString shellUnquoted(const QString &word)
{
    QString out;
    bool quoted = false;
    for (int i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('\\') && i + 1 < word.size()) {
            out += word[++i];
        } else {
            out += c;
        }
    }
    return out;
}
