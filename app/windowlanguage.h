#ifndef FELDMOOR_WINDOWLANGUAGE_H
#define FELDMOOR_WINDOWLANGUAGE_H

#include <QStringList>

// The languages the window speaks: its texts are written in Chinese, and it
// carries one translation, English.
enum class WindowLanguage { Chinese, English };

// The language for the system's UI languages, most wanted first (as
// QLocale::uiLanguages gives them). The first one the window speaks decides;
// the C/POSIX locale, a machine with no language set, keeps the texts as
// written. A list that names neither asks for some third language, which the
// window does not have: English serves those readers better than Chinese.
WindowLanguage windowLanguageFor(const QStringList &uiLanguages);

#endif
