#ifndef FELDMOOR_WINDOWTRANSLATION_H
#define FELDMOOR_WINDOWTRANSLATION_H

#include "app/windowlanguage.h"

class QTranslator;

// Installs the window's English texts on the application when the system's
// UI languages ask for English (windowLanguageFor), from the catalogue built
// into the program. Call it before the window is made: the form takes its
// texts once, when it is built. The translator must outlive the window.
// Returns the language the window will speak.
WindowLanguage installWindowTranslation(QTranslator &translator);

#endif
