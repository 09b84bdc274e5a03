#pragma once

#include <QString>

// How the core asks the user something or tells them something. The windows answer with modal
// message boxes, the command line with the terminal or its options, tests with a script.
class Interaction
{
public:
    enum class Icon { None, Information, Exclamation, Critical };
    enum Button { Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8, Retry = 0x10 };

    virtual ~Interaction() = default;

    // Shows `text` under `title` with the given buttons (an OR of Button); returns the button
    // chosen. `defaultButton` is the one that Enter presses.
    virtual Button Ask(const QString& title, const QString& text, int buttons, Button defaultButton,
                       Icon icon = Icon::None) = 0;

    // A message with an OK button.
    virtual void Tell(const QString& title, const QString& text, Icon icon) = 0;

    // Lets pending window events run, so that windows repaint and Stop can be clicked.
    virtual void ProcessEvents() = 0;
};
