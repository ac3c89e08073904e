#pragma once

class QWidget;

// What the program does to its window between constructing and showing it, kept here so that
// the tests run the very start-up the program runs.
class ProgramStart
{
public:
    // Installs Qt's catalogue for the prompt's buttons (QtTranslation), then gives the window
    // its title and icon. Call once the application object exists.
    static void Prepare(QWidget& window);
};
