#pragma once

#include <QLocale>

class QTranslator;

// Qt's own texts, such as the buttons of the deletion prompt, in the window's language: the
// window speaks Chinese whatever the desktop's locale.
class QtTranslation
{
public:
    // The user's locale where it is a Chinese one, Simplified Chinese otherwise.
    static QLocale DialogLocale(const QLocale& system);
    // Loads Qt's catalogue for the dialog locale of system into translator; false when none
    // is installed.
    static bool Load(QTranslator& translator, const QLocale& system);
    // Loads Qt's catalogue for the user's locale into the application, where one is installed;
    // call once the application object exists.
    static void Install();
};
