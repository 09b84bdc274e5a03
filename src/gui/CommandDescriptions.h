#pragma once

#include <QCoreApplication>

class QWidget;

// What each of the main window's fifteen commands does, in a sentence, for a screen reader:
// the caption alone ("Function", "Subfolders?") does not say it. Taken from the help texts.
class CommandDescriptions
{
    Q_DECLARE_TR_FUNCTIONS(CommandDescriptions)

public:
    // Gives each command under `window`, found by its object name, its description.
    static void Apply(QWidget& window);
};
