#pragma once

#include "CommandPanel.h"

#include <initializer_list>

class QPushButton;

// A column of buttons over the main window, like the key panel: the Setup button's submenu
// (Load, Save, Clear, Restore, Repairable files, Not now) or its save panel (for the next run, as
// an operation file, Not now). The last button is the one that Escape presses.
class SetupPanel : public CommandPanel
{
    Q_OBJECT

public:
    // The captions are marked QT_TRANSLATE_NOOP("SetupPanel", ...) where they are written and
    // translated here.
    SetupPanel(QWidget* parent, const QString& name, std::initializer_list<const char*> captions);

    // The buttons, top to bottom.
    QPushButton* button(int index) const;

    // Lower than the commands' buttons, so that the six of the submenu fit between the key line
    // and the window's foot.
    static constexpr int ButtonWidth = 3000;
    static constexpr int ButtonHeight = 285;
};
