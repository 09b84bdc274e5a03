#include "DoItCommand.h"

#include "BatchEndNotice.h"
#include "CommandWindow.h"
#include "ReliabilityTestCommand.h"
#include "SummaryLines.h"
#include "core/OperationLaunch.h"
#include "core/SetupEditor.h"
#include "frmConfirmOperation.h"
#include "frmReport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMainWindow>

DoItCommand::DoItCommand(CommandWindow& window, SummaryLines& summary, SetupEditor& editor,
                         BatchDriver& driver, frmReport& report, Interaction& interaction)
    : m_window(window), m_summary(summary), m_editor(editor), m_driver(driver), m_report(report),
      m_interaction(interaction), m_reliabilityTest(std::make_unique<ReliabilityTestCommand>(
                                      window, editor, driver, report, interaction))
{
    steadyMsecs = [] { return QDeadlineTimer::current().deadline(); };
}

DoItCommand::~DoItCommand() = default;

void DoItCommand::Run()
{
    OperationLaunch launch(m_editor.setup(), m_editor.key(), m_interaction, m_driver, *this);
    const bool encrypt = m_editor.setup().blnEncrypt;
    m_busy = true;
    // Only the command frames: message boxes and dialogs over the main window stay usable.
    m_window.SetCommandsEnabled(false);
    if (launch.DoIt() == OperationLaunch::Outcome::Ran) {
        m_report.ResetCopyButton();
        AnnounceEnd(encrypt, launch.result());
    }
    m_window.SetCommandsEnabled(true);
    m_summary.RefreshSide(Setup::Input);
    m_summary.RefreshSide(Setup::Output);
    m_busy = false;
}

void DoItCommand::AnnounceEnd(bool encrypt, const BatchResult& result)
{
    if (!m_batchEndNotice)
        return;
    const QWidget* active = QApplication::activeWindow();
    const bool watched = active == &m_window.mainWindow() || active == &m_report;
    if (BatchEndNotice::Wanted(steadyMsecs() - m_batchStart, watched))
        m_batchEndNotice->Send(BatchEndNotice::Summary(), BatchEndNotice::Body(encrypt, result));
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
    // The batch starts right after: its time runs from here.
    m_batchStart = steadyMsecs();
    m_report.setWindowTitle(caption);
    m_report.show();
    m_report.raise();
}
