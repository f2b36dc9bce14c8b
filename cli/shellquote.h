#ifndef FELDMOOR_CLI_SHELLQUOTE_H
#define FELDMOOR_CLI_SHELLQUOTE_H

#include <QString>

namespace cli {

// One word for a POSIX shell: left alone when it holds only characters no
// shell treats specially, else in single quotes.
QString shellQuote(const QString &word);

} // namespace cli

#endif
