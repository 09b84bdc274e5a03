#pragma once

class QPushButton;
class SetupCommands;
class SetupPanel;
class frmMain;

// The main window's "Setup": a submenu (Load, Save, Clear, Restore, Not now) over the Setup
// button's row, and for Save a second panel (for the next run, as an operation file, Not
// now). While either is open the window's commands wait.
class SetupMenu
{
public:
    SetupMenu(frmMain& main, SetupCommands& commands);

    // "Setup": opens the submenu.
    void cmdSetup_Click();

    SetupPanel* fraSetupMenu = nullptr;
    SetupPanel* picSaveSetup = nullptr;
    QPushButton* cmdLoadSetup = nullptr;
    QPushButton* cmdSaveSetup = nullptr;
    QPushButton* cmdClearSetup = nullptr;
    QPushButton* cmdRestoreSetup = nullptr;
    QPushButton* cmdKeepSetup = nullptr;
    QPushButton* cmdSaveSetupForNextRun = nullptr;
    QPushButton* cmdSaveSetupAsOperationFile = nullptr;
    QPushButton* cmdDontSaveSetup = nullptr;

private:
    void CreatePanels();
    void Connect();
    void ShowPanel(SetupPanel* panel);
    void Close();
    void cmdLoadSetup_Click();
    void cmdSaveSetupAsOperationFile_Click();

    frmMain& m_main;
    SetupCommands& m_commands;
};
