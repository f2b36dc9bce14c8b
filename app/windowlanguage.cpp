#include "app/windowlanguage.h"

#include <QLocale>
#include <QRegularExpression>

WindowLanguage windowLanguageFor(const QStringList &uiLanguages)
{
    if (uiLanguages.isEmpty())
        return WindowLanguage::Chinese;
    const QRegularExpression separator("[-_.@]");
    for (const QString &name : uiLanguages) {
        // Only the language counts: "zh-TW" and "zh-Hans-CN" are Chinese.
        // QLocale(name) would not do, since it reads every name it does not
        // know as the C locale.
        const QString language = name.section(separator, 0, 0);
        if (language == QLatin1String("C") || language == QLatin1String("POSIX"))
            return WindowLanguage::Chinese;
        switch (QLocale::codeToLanguage(language)) {
        case QLocale::Chinese:
            return WindowLanguage::Chinese;
        case QLocale::English:
            return WindowLanguage::English;
        default:
            break;
        }
    }
    return WindowLanguage::English;
}
