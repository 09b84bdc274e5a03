#include "KeyCommand.h"

#include "CommandWindow.h"
#include "KeyFromPanel.h"
#include "SummaryLines.h"
#include "core/SetupEditor.h"
#include "keys/KeyAcquisition.h"

#include <QMainWindow>
#include <QPushButton>

KeyCommand::KeyCommand(CommandWindow& window, QPushButton& command, SummaryLines& lines,
                       SetupEditor& editor, Interaction& interaction)
    : m_window(window), m_command(command), m_lines(lines), m_editor(editor),
      m_interaction(interaction)
{
    m_panel = new KeyFromPanel(window.mainWindow().centralWidget());
    for (QPushButton* choice : m_panel->findChildren<QPushButton*>())
        QObject::connect(choice, &QPushButton::clicked, choice, [this, choice] { Choose(choice); });
}

void KeyCommand::Open()
{
    if (m_window.ClickGuard())
        return;
    m_savedKeyLine = m_lines.KeyLine();
    m_lines.SetKeyLine(QString());
    m_window.SetCommandsEnabled(false);
    m_panel->Arrange(m_editor.setup().blnEncrypt);
    // Beside the menu, level with the key button where it fits.
    const QWidget& area = *m_panel->parentWidget();
    const int top =
        std::min(m_command.mapTo(&area, QPoint()).y(), area.height() - m_panel->height() - 4);
    m_panel->ShowClearOfLines(m_window.commandFrame().geometry().right() + 8, top);
    m_panel->cmdKeyboardWithDisplay->setFocus();
}

void KeyCommand::Choose(QPushButton* choice)
{
    m_panel->hide();
    KeyRecord& key = m_editor.key();
    const bool encrypt = m_editor.setup().blnEncrypt;
    key.blnKeyChoiceCancelled = false;
    if (choice == m_panel->cmdDontSpecifyKeyNow) {
        m_lines.SetKeyLine(m_savedKeyLine);
    } else {
        if (choice == m_panel->cmdEraseKey) {
            m_editor.ClearKey();
        } else if (m_keyDialogs != nullptr) {
            KeyAcquisition acquisition(key, m_interaction, *m_keyDialogs);
            if (choice == m_panel->cmdKeyboardWithDisplay)
                acquisition.KeyFromKeyboardWithDisplay(encrypt);
            else if (choice == m_panel->cmdKeyboardWithoutDisplay)
                acquisition.KeyFromKeyboardWithoutDisplay(encrypt);
            else
                acquisition.KeyFromKeyfile(choice == m_panel->cmdKeyFile[1] ? 1 : 0, encrypt);
        }
        ShowKeySource();
    }
    m_window.SetCommandsEnabled(true);
    m_command.setFocus();
}

void KeyCommand::ShowKeySource()
{
    const Setup& setup = m_editor.setup();
    m_lines.SetKeyLine(::ShowKeySource(m_editor.key(), m_interaction, m_savedKeyLine,
                                       setup.strSpecifiedWord, setup.strNotSpecifiedWord));
}
