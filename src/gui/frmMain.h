#pragma once

#include "core/Setup.h"
#include "core/SetupEditor.h"
#include "core/SetupView.h"
#include "keys/KeyRecord.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <memory>

class BatchDriver;
class CipherEngine;
class Interaction;
class FileCommands;
class KeyDialogs;
class KeyFromPanel;
class QFrame;
class QLabel;
class QPushButton;
class RandomnessCommands;
class SetupCommands;
class SetupMenu;
class frmReport;
class DoItCommand;

// The main window: fifteen command buttons that set up one operation, and beside them a
// description of what that operation will do. It owns the setup editor, which holds the setup
// and the key in force and tells this window what to show.
class frmMain : public QMainWindow, private SetupView
{
    Q_OBJECT

public:
    frmMain(CipherEngine& engine, Interaction& interaction, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up after the program text is loaded: defaults, window, engine buffers, the saved
    // setup. False when the program must end (the engine's buffers could not be allocated).
    bool StartUp();

    // The key windows; the key panel's choices open them.
    void SetKeyDialogs(KeyDialogs* dialogs) { m_keyDialogs = dialogs; }

    SetupEditor& editor() { return m_editor; }
    const Setup& setup() const { return m_editor.setup(); }
    KeyRecord& key() { return m_editor.key(); }
    const KeptSetup& keptSetup() const { return m_editor.keptSetup(); }

    // Called whenever a file dialog of this window closes: for one second button releases are
    // ignored, so that the release that closed the dialog cannot act on the button beneath it.
    void SetClickGuard();
    bool ClickGuard() const { return m_clickGuard; }

    // Rebuilds the folder line, files line and comment of one side, then the hint line.
    void RefreshSide(int side);
    void RefreshHintLine();

    // Output file(s) same?, as a left-button release performs it.
    void cmdOutputFilesSame_Click();
    FileCommands& fileCommands() { return *m_fileCommands; }
    // The batch driver, which runs every batch, and the report window that shows it.
    BatchDriver& driver() { return *m_driver; }
    frmReport& report() { return *m_report; }
    // The randomness report's choice panel and windows.
    RandomnessCommands& randomness() { return *m_randomness; }
    // The Setup button's submenu and save panel.
    SetupMenu& setupMenu() { return *m_setupMenu; }

signals:
    // The help window is to open at a heading (0: the top).
    void helpRequested(int heading);
    // The user clicked "Online documentation".
    void documentationRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the setup editor reports.
    void FunctionChanged() override;
    void SubdirectoriesChanged(bool inputHasSubfolders) override;
    void OutputFilesSameChanged() override;
    void SideChanged(int side) override { RefreshSide(side); }
    void KeyCleared() override;
    void SetupFilenameChanged(const QString& path) override;

    void CreateControls();
    QPushButton* AddButton(QFrame* frame, const QString& caption, int heading, int row);
    void WatchCommand(QPushButton* command, int heading);
    QLabel* AddLabel(int left, int row, int width, const QString& text = {});
    QLabel* PlaceLabel(QLabel* label, int left, int row, int width);
    void ApplyFonts();

    void cmdFunction_Click();
    void cmdSubdirectories_Click();
    void cmdHelp_Click();
    void cmdKeyFrom_Click();
    void KeyPanelChoice(QPushButton* choice);
    void ShowKeySource();
    void Clock_Tick();
    void CloseWhenBatchEnded();
    void ShutDown();

    CipherEngine& m_engine;
    Interaction& m_interaction;
    SetupEditor m_editor;
    bool m_clickGuard = false;
    bool m_shutDown = false;
    QHash<QObject*, int> m_helpHeadings;
    KeyDialogs* m_keyDialogs = nullptr;
    // Its dialogs are children of this window, which deletes them after the members.
    std::unique_ptr<FileCommands> m_fileCommands;
    QString m_savedKeyLine;
    // The driver works on the setup and key above, and the report window watches the driver:
    // declared in that order, they go in the opposite one.
    std::unique_ptr<BatchDriver> m_driver;
    std::unique_ptr<frmReport> m_report;
    std::unique_ptr<DoItCommand> m_doIt;
    std::unique_ptr<SetupCommands> m_setupCommands;
    std::unique_ptr<SetupMenu> m_setupMenu;
    std::unique_ptr<RandomnessCommands> m_randomness;
    // A close asked for while a batch ran: the window closes once the batch has ended.
    bool m_closePending = false;
    QTimer m_closeWait;

public:
    QTimer Clock;  // paces the reliability test
    QTimer Clock2; // ends the click guard

    QFrame* fraMenu = nullptr;
    QFrame* fraSetup = nullptr;
    QPushButton* cmdFunction = nullptr;
    QPushButton* cmdSingleFile = nullptr;
    std::array<QPushButton*, 2> cmdSpecifyDirectory{};
    std::array<QPushButton*, 2> cmdSpecifyFiles{};
    QPushButton* cmdSubdirectories = nullptr;
    QPushButton* cmdOutputFilesSame = nullptr;
    QPushButton* cmdKeyFrom = nullptr;
    QPushButton* cmdDoIt = nullptr;
    QPushButton* cmdReportScreen = nullptr;
    QPushButton* cmdRandomnessReport = nullptr;
    QPushButton* cmdSetup = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdQuit = nullptr;
    KeyFromPanel* picKeyFrom = nullptr;

    QLabel* lblFunction = nullptr;
    QLabel* lblFunction2 = nullptr;
    std::array<QLabel*, 2> lblDirectory{};
    std::array<QLabel*, 2> lblFiles{};
    std::array<QLabel*, 2> lblFiles2{};
    QLabel* lblSubdirectories = nullptr;
    QLabel* lblSubdirectories2 = nullptr;
    QLabel* lblOutputFilesSame = nullptr;
    QLabel* lblOutputFilesSame2 = nullptr;
    QLabel* lblKeyFrom = nullptr;
    QLabel* lblSingleFile = nullptr;
    QLabel* lblOnlineDocumentation = nullptr;
    QLabel* lblSetupFilename = nullptr;
};
