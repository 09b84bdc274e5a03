#pragma once

#include <QCoreApplication>

class CommandWindow;
class QPushButton;
class SetupCommands;
class SetupPanel;
class SummaryLines;

// The main window's "Setup": a submenu (Load, Save, Clear, Restore, Repairable files, Not now)
// over the Setup button's row, and for Save a second panel (for the next run, as an operation file,
// Not now). While either is open the window's commands wait.
class SetupMenu
{
    Q_DECLARE_TR_FUNCTIONS(SetupMenu)

public:
    // `command` is the Setup button: the panels open over the row it stands in, where the
    // summary's operation file name is hidden meanwhile.
    SetupMenu(CommandWindow& window, QPushButton& command, SummaryLines& summary,
              SetupCommands& commands);

    // "Setup": opens the submenu.
    void cmdSetup_Click();

    SetupPanel* fraSetupMenu = nullptr;
    SetupPanel* picSaveSetup = nullptr;
    QPushButton* cmdLoadSetup = nullptr;
    QPushButton* cmdSaveSetup = nullptr;
    QPushButton* cmdClearSetup = nullptr;
    QPushButton* cmdRestoreSetup = nullptr;
    QPushButton* cmdRepairable = nullptr;
    QPushButton* cmdKeepSetup = nullptr;
    QPushButton* cmdSaveSetupForNextRun = nullptr;
    QPushButton* cmdSaveSetupAsOperationFile = nullptr;
    QPushButton* cmdDontSaveSetup = nullptr;

private:
    void CreatePanels();
    void Describe();
    void Connect();
    void ShowPanel(SetupPanel* panel);
    void ShowRepairable();
    void Close();
    void cmdLoadSetup_Click();
    void cmdSaveSetupAsOperationFile_Click();

    CommandWindow& m_window;
    QPushButton& m_command;
    SummaryLines& m_summary;
    SetupCommands& m_commands;
};
