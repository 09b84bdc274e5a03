#include "DoItCommand.h"

#include "CommandWindow.h"
#include "ReliabilityTestCommand.h"
#include "SummaryLines.h"
#include "core/OperationLaunch.h"
#include "core/SetupEditor.h"
#include "frmConfirmOperation.h"
#include "frmReport.h"

#include <QMainWindow>

DoItCommand::DoItCommand(CommandWindow& window, SummaryLines& summary, SetupEditor& editor,
                         BatchDriver& driver, frmReport& report, Interaction& interaction)
    : m_window(window), m_summary(summary), m_editor(editor), m_driver(driver), m_report(report),
      m_interaction(interaction), m_reliabilityTest(std::make_unique<ReliabilityTestCommand>(
                                      window, editor, driver, report, interaction))
{
}

DoItCommand::~DoItCommand() = default;

void DoItCommand::Run()
{
    OperationLaunch launch(m_editor.setup(), m_editor.key(), m_interaction, m_driver, *this);
    m_busy = true;
    // Only the command frames: message boxes and dialogs over the main window stay usable.
    m_window.SetCommandsEnabled(false);
    if (launch.DoIt() == OperationLaunch::Outcome::Ran)
        m_report.ResetCopyButton();
    m_window.SetCommandsEnabled(true);
    m_summary.RefreshSide(Setup::Input);
    m_summary.RefreshSide(Setup::Output);
    m_busy = false;
}

void DoItCommand::SwitchToInPlace()
{
    m_editor.SetOutputFilesSame(true);
}

LaunchHost::TestChoice DoItCommand::OfferReliabilityTest()
{
    return m_reliabilityTest->Offer(*this);
}

bool DoItCommand::Confirm(const QString& description, const QString& question)
{
    QMainWindow& main = m_window.mainWindow();
    if (!m_confirm)
        m_confirm = new frmConfirmOperation(&main);
    const QRect menu = m_window.commandFrame().geometry();
    const bool doIt = m_confirm->Run(description, question, (menu.x() + menu.width()) * 15);
    main.repaint();
    return doIt;
}

void DoItCommand::ShowReport(const QString& caption)
{
    m_report.setWindowTitle(caption);
    m_report.show();
    m_report.raise();
}
