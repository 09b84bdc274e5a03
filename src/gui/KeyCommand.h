#pragma once

#include <QString>

class CommandWindow;
class Interaction;
class KeyDialogs;
class KeyFromPanel;
class QPushButton;
class SetupEditor;
class SummaryLines;

// "Encryption key": the key panel beside the menu, the key windows its choices open, and then
// the key line, which says where the key in force came from.
class KeyCommand
{
public:
    // `command` is the key button, which the panel stands level with; the panel goes on the
    // window's central widget.
    KeyCommand(CommandWindow& window, QPushButton& command, SummaryLines& lines,
               SetupEditor& editor, Interaction& interaction);

    // The key windows; the panel's choices open them.
    void SetKeyDialogs(KeyDialogs* dialogs) { m_keyDialogs = dialogs; }

    KeyFromPanel& panel() { return *m_panel; }

    // Opens the panel, the menu waiting meanwhile.
    void Open();

private:
    void Choose(QPushButton* choice);
    void ShowKeySource();

    CommandWindow& m_window;
    QPushButton& m_command;
    SummaryLines& m_lines;
    SetupEditor& m_editor;
    Interaction& m_interaction;
    KeyDialogs* m_keyDialogs = nullptr;
    KeyFromPanel* m_panel = nullptr;
    QString m_savedKeyLine;
};
