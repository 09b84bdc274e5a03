#include "SetupMenu.h"

#include "CommandWindow.h"
#include "FileDialog.h"
#include "SetupPanel.h"
#include "SummaryLines.h"
#include "persist/SetupCommands.h"

#include <QCoreApplication>
#include <QFrame>
#include <QMainWindow>
#include <QPushButton>

SetupMenu::SetupMenu(CommandWindow& window, QPushButton& command, SummaryLines& summary,
                     SetupCommands& commands)
    : m_window(window), m_command(command), m_summary(summary), m_commands(commands)
{
    CreatePanels();
    Connect();
}

void SetupMenu::CreatePanels()
{
    QWidget* parent = m_window.mainWindow().centralWidget();
    fraSetupMenu = new SetupPanel(parent, QStringLiteral("fraSetupMenu"),
                                  {QT_TRANSLATE_NOOP("SetupPanel", "Load setup"),
                                   QT_TRANSLATE_NOOP("SetupPanel", "Save setup"),
                                   QT_TRANSLATE_NOOP("SetupPanel", "Clear setup"),
                                   QT_TRANSLATE_NOOP("SetupPanel", "Restore setup"),
                                   "", // the switch's state, from ShowRepairable
                                   QT_TRANSLATE_NOOP("SetupPanel", "Not now")});
    cmdLoadSetup = fraSetupMenu->button(0);
    cmdSaveSetup = fraSetupMenu->button(1);
    cmdClearSetup = fraSetupMenu->button(2);
    cmdRestoreSetup = fraSetupMenu->button(3);
    cmdRepairable = fraSetupMenu->button(4);
    cmdKeepSetup = fraSetupMenu->button(5);
    ShowRepairable();
    picSaveSetup = new SetupPanel(parent, QStringLiteral("picSaveSetup"),
                                  {QT_TRANSLATE_NOOP("SetupPanel", "Save setup for next run"),
                                   QT_TRANSLATE_NOOP("SetupPanel", "Save setup as operation file"),
                                   QT_TRANSLATE_NOOP("SetupPanel", "Not now")});
    cmdSaveSetupForNextRun = picSaveSetup->button(0);
    cmdSaveSetupAsOperationFile = picSaveSetup->button(1);
    cmdDontSaveSetup = picSaveSetup->button(2);
    Describe();
}

// What a screen reader says of each choice besides its caption.
void SetupMenu::Describe()
{
    const QString notNow = tr("Close the choices without changing anything.");
    cmdLoadSetup->setAccessibleDescription(
        tr("Open an operation file saved before and take its setup."));
    cmdSaveSetup->setAccessibleDescription(
        tr("Save the setup for the next run or as an operation file."));
    cmdClearSetup->setAccessibleDescription(
        tr("Set encryption, no input or output files, no subfolders, separate output "
           "files, and no key."));
    cmdRestoreSetup->setAccessibleDescription(
        tr("Give back the setup kept at start-up, at the last load or before "
           "\"Clear setup\"."));
    cmdRepairable->setAccessibleDescription(
        tr("Switch on or off: encryptions write files with repair data (about 7% larger) that "
           "mends damaged sectors."));
    cmdKeepSetup->setAccessibleDescription(notNow);
    cmdSaveSetupForNextRun->setAccessibleDescription(
        tr("The program starts with this setup the next time."));
    cmdSaveSetupAsOperationFile->setAccessibleDescription(
        tr("Save the setup to an operation file of your choice."));
    cmdDontSaveSetup->setAccessibleDescription(notNow);
}

void SetupMenu::Connect()
{
    auto on = [this](QPushButton* button, auto action) {
        QObject::connect(button, &QPushButton::clicked, button, action);
    };
    on(cmdLoadSetup, [this] { cmdLoadSetup_Click(); });
    on(cmdSaveSetup, [this] { ShowPanel(picSaveSetup); });
    on(cmdClearSetup, [this] {
        m_commands.Clear();
        Close();
    });
    on(cmdRestoreSetup, [this] {
        m_commands.Restore();
        Close();
    });
    on(cmdRepairable, [this] {
        m_commands.ToggleRepairable();
        Close();
    });
    on(cmdKeepSetup, [this] { Close(); });
    on(cmdSaveSetupForNextRun, [this] {
        m_commands.SaveForNextRun();
        Close();
    });
    on(cmdSaveSetupAsOperationFile, [this] { cmdSaveSetupAsOperationFile_Click(); });
    on(cmdDontSaveSetup, [this] { Close(); });
}

void SetupMenu::cmdSetup_Click()
{
    if (m_window.ClickGuard())
        return;
    ShowRepairable();
    ShowPanel(fraSetupMenu);
}

void SetupMenu::ShowRepairable()
{
    // The switch shows its state as the summary shows the others: Yes or No.
    cmdRepairable->setText(m_commands.Repairable() ? tr("Repairable files: Yes")
                                                   : tr("Repairable files: No"));
}

void SetupMenu::ShowPanel(SetupPanel* panel)
{
    fraSetupMenu->hide();
    m_summary.SetSetupFilenameShown(false);
    m_window.SetCommandsEnabled(false);
    // Beside the command column, its foot at the window's: over the empty rows under the
    // summary's last line and left of the Setup button's row, where it hides nothing.
    const QWidget& area = *panel->parentWidget();
    panel->move(m_window.commandFrame().geometry().right() + 8,
                area.height() - panel->height() - 3);
    panel->show();
    panel->raise();
    panel->findChild<QPushButton*>()->setFocus();
    if (panel == fraSetupMenu)
        cmdSaveSetup->setFocus();
}

void SetupMenu::Close()
{
    fraSetupMenu->hide();
    picSaveSetup->hide();
    m_summary.SetSetupFilenameShown(true);
    m_window.SetCommandsEnabled(true);
    m_command.setFocus();
}

void SetupMenu::cmdLoadSetup_Click()
{
    fraSetupMenu->hide();
    const QString path = FileDialog::getOpenFileName(
        &m_window.mainWindow(),
        QCoreApplication::translate("SetupMenu", "Specify operation file to be loaded"),
        QCoreApplication::translate("SetupMenu", "Operation files (*.opn)"));
    m_window.SetClickGuard();
    m_commands.Load(path);
    Close();
}

void SetupMenu::cmdSaveSetupAsOperationFile_Click()
{
    picSaveSetup->hide();
    const QString path = FileDialog::getSaveFileName(
        &m_window.mainWindow(),
        QCoreApplication::translate("SetupMenu", "Specify operation file to be saved"),
        QCoreApplication::translate("SetupMenu", "Operation files (*.opn)"));
    m_window.SetClickGuard();
    m_commands.SaveAs(path);
    Close();
}
