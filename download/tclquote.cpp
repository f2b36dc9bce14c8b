#include "download/tclquote.h"

namespace {

// The characters OpenOCD's Jim interpreter reacts to inside a bare word:
// separators (its separator scan also swallows \v, so a leading one would be
// lost), substitutions, braces and quotes that open a word, and the command
// end. Control characters other than these have no meaning to the parser.
bool needsBackslash(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '\t':
    case '\r':
    case '\v':
    case '\f':
    case '\\':
    case '[':
    case ']':
    case '{':
    case '}':
    case '$':
    case '"':
    case ';':
        return true;
    default:
        return false;
    }
}

} // namespace

QString tclQuoteWord(const QString &value)
{
    QString quoted;
    quoted.reserve(value.size() * 2);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\n')) {
            // A backslash before a line feed is a line continuation, which
            // Tcl reads as a blank; the \n escape keeps the line feed.
            quoted += QLatin1String("\\n");
        } else {
            // '#' opens a comment only where a command begins, and a word
            // can stand there: the family prefix names the reload command.
            if (needsBackslash(c) || (i == 0 && c == QLatin1Char('#')))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
    }
    return quoted;
}
