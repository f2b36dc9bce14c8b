#include "app/windowtranslation.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>
#include <QTranslator>

WindowLanguage installWindowTranslation(QTranslator &translator)
{
    if (windowLanguageFor(QLocale::system().uiLanguages()) == WindowLanguage::Chinese)
        return WindowLanguage::Chinese;
    // Embedded by the build, so it is there wherever the program is.
    if (!translator.load(QStringLiteral(":/app/translations/feldmoor_en.qm"))
        || !QCoreApplication::installTranslator(&translator)) {
        qWarning() << "the English texts could not be loaded; the window keeps its Chinese ones";
        return WindowLanguage::Chinese;
    }
    return WindowLanguage::English;
}
