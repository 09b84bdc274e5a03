#pragma once

#include "CommandWindow.h"
#include "core/Setup.h"
#include "core/SetupEditor.h"
#include "keys/KeyRecord.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class BatchDriver;
class FileCipher;
class DoItCommand;
class FileCommands;
class HelpCommands;
class Interaction;
class KeyCommand;
class KeyDialogs;
class QFrame;
class QPushButton;
class RandomnessCommands;
class SetupCommands;
class SetupMenu;
class SummaryLines;
class frmReport;

// The main window: fifteen command buttons that set up one operation, and beside them a
// description of what that operation will do. It owns the setup editor, which holds the setup
// and the key in force, and the commands, which it wires to its buttons. The commands reach
// the window only as a CommandWindow.
class frmMain : public QMainWindow, public CommandWindow
{
    Q_OBJECT

public:
    frmMain(FileCipher& engine, Interaction& interaction, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up after the program text is loaded: defaults, window, engine buffers, the saved
    // setup, then the files or folders the program was started with. False when the program
    // must end (the engine's buffers could not be allocated).
    bool StartUp(const QStringList& startPaths = {});

    // The key windows; the key panel's choices open them.
    void SetKeyDialogs(KeyDialogs* dialogs);
    // The help window and the user guide; this window's help requests open them.
    void SetHelp(HelpCommands& help);

    SetupEditor& editor() { return m_editor; }
    const Setup& setup() const { return m_editor.setup(); }
    KeyRecord& key() { return m_editor.key(); }
    const KeptSetup& keptSetup() const { return m_editor.keptSetup(); }

    // Rebuilds the folder line, files line and comment of one side, then the hint line.
    void RefreshSide(int side);

    FileCommands& fileCommands() { return *m_fileCommands; }
    // The batch driver, which runs every batch, and the report window that shows it.
    BatchDriver& driver() { return *m_driver; }
    frmReport& report() { return *m_report; }
    // "Do it!", which starts the batches.
    DoItCommand& doIt() { return *m_doIt; }
    // The randomness report's choice panel and windows.
    RandomnessCommands& randomness() { return *m_randomness; }
    // The Setup button's submenu and save panel.
    SetupMenu& setupMenu() { return *m_setupMenu; }

    // CommandWindow
    QMainWindow& mainWindow() override { return *this; }
    const QWidget& commandFrame() const override;
    int NoticeRowTop() const override;
    QLabel& NoticeLabel() override;
    void SetCommandsEnabled(bool enabled) override;
    bool ClickGuard() const override { return m_clickGuard; }
    void SetClickGuard() override;

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
    void CreateControls();
    QPushButton* AddButton(QFrame* frame, const char* name, const QString& caption, int heading,
                           int row);
    void WatchCommand(QPushButton* command, int heading);
    void CreateCommands();
    void ConnectCommands();
    void ApplyFonts();
    // Lets the window manager place the shown window, so that a message placed over it lands
    // there; gives up after two seconds.
    void WaitUntilPlaced();

    // The commands that act at once, unless the click guard holds.
    void Guarded(QPushButton* command, std::function<void()> action);
    void CloseWhenBatchEnded();
    void ShutDown();

    FileCipher& m_engine;
    Interaction& m_interaction;
    SetupEditor m_editor;
    bool m_clickGuard = false;
    bool m_shutDown = false;
    QHash<QObject*, int> m_helpHeadings;
    // Ends the click guard a second after it was set.
    QTimer* m_clickGuardTimer = nullptr;

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

    std::unique_ptr<SummaryLines> m_summary;
    QLabel* m_notice = nullptr; // made when first asked for, a child of the central widget
    std::unique_ptr<KeyCommand> m_keyCommand;
    // Its dialogs are children of this window, which deletes them after the members.
    std::unique_ptr<FileCommands> m_fileCommands;
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
};
