#include "DoItCommand.h"

#include "ReliabilityTestCommand.h"
#include "core/OperationLaunch.h"
#include "frmConfirmOperation.h"
#include "frmMain.h"
#include "frmReport.h"

#include <QFrame>

DoItCommand::DoItCommand(frmMain& main, frmReport& report, Interaction& interaction)
    : m_main(main), m_report(report), m_interaction(interaction),
      m_reliabilityTest(std::make_unique<ReliabilityTestCommand>(main, report, interaction))
{
}

DoItCommand::~DoItCommand() = default;

void DoItCommand::Run()
{
    OperationLaunch launch(m_main.setup(), m_main.key(), m_interaction, m_main.driver(), *this);
    m_busy = true;
    SetCommandsEnabled(false);
    if (launch.DoIt() == OperationLaunch::Outcome::Ran)
        m_report.ResetCopyButton();
    SetCommandsEnabled(true);
    m_main.RefreshSide(Setup::Input);
    m_main.RefreshSide(Setup::Output);
    m_busy = false;
}

void DoItCommand::SetCommandsEnabled(bool enabled)
{
    // Only the command frames: message boxes and dialogs over the main window stay usable.
    m_main.fraMenu->setEnabled(enabled);
    m_main.fraSetup->setEnabled(enabled);
}

void DoItCommand::SwitchToInPlace()
{
    m_main.editor().SetOutputFilesSame(true);
}

LaunchHost::TestChoice DoItCommand::OfferReliabilityTest()
{
    return m_reliabilityTest->Offer(*this);
}

bool DoItCommand::Confirm(const QString& description, const QString& question)
{
    if (!m_confirm)
        m_confirm = new frmConfirmOperation(&m_main);
    const QRect menu = m_main.fraMenu->geometry();
    const bool doIt = m_confirm->Run(description, question, (menu.x() + menu.width()) * 15);
    m_main.repaint();
    return doIt;
}

void DoItCommand::ShowReport(const QString& caption)
{
    m_report.setWindowTitle(caption);
    m_report.show();
    m_report.raise();
}
