#include "ReliabilityTestCommand.h"

#include "CommandWindow.h"
#include "Twips.h"
#include "analysis/ReliabilityTest.h"
#include "core/BatchDriver.h"
#include "core/SetupEditor.h"
#include "frmReliabilityTest.h"
#include "frmReport.h"
#include "support/Language.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int QueryTopBelowMenu = 1990;
constexpr int NoticeLeft = 5000;
constexpr int FirstRunDelay = 5000;
constexpr int RunDelay = 4000;

} // namespace

ReliabilityTestCommand::ReliabilityTestCommand(CommandWindow& window, SetupEditor& editor,
                                               BatchDriver& driver, frmReport& report,
                                               Interaction& interaction)
    : m_window(window), m_editor(editor), m_driver(driver), m_report(report),
      m_interaction(interaction)
{
    m_clock = new QTimer(&window.mainWindow());
    m_clock->setObjectName(QStringLiteral("Clock"));
    m_clock->setInterval(FirstRunDelay);
    QObject::connect(m_clock, &QTimer::timeout, m_clock,
                     [this] { m_clock->setInterval(RunDelay); });
    QObject::connect(&report, &frmReport::stopRequested, m_clock, &QTimer::stop);
}

ReliabilityTestCommand::~ReliabilityTestCommand()
{
    delete m_clock; // its tick reaches this command
}

frmReliabilityTest* ReliabilityTestCommand::query()
{
    if (!m_query)
        m_query = new frmReliabilityTest(&m_window.mainWindow());
    return m_query;
}

LaunchHost::TestChoice ReliabilityTestCommand::Offer(LaunchHost& launchHost)
{
    // Its right edge on the main window's, its top 1990 twips below the command frame's.
    const QPoint menuTop = m_window.commandFrame().mapToGlobal(QPoint(0, 0));
    const QPoint topRight(m_window.mainWindow().frameGeometry().right(),
                          menuTop.y() + Twips::ToPixels(QueryTopBelowMenu));
    frmReliabilityTest& form = *query();
    form.Run(m_editor.setup().blnOutputFilesSame, topRight);
    if (form.blnCancel)
        return LaunchHost::TestChoice::Cancelled;
    if (!form.blnPerformingReliabilityTest)
        return LaunchHost::TestChoice::NormalEncryption;
    if (form.intNumReliabilityTests > 0) {
        ReliabilityTest test(m_editor, m_driver, m_interaction, launchHost, *this);
        test.intNumReliabilityTests = form.intNumReliabilityTests;
        test.RunReliabilityTest();
    }
    form.blnPerformingReliabilityTest = false;
    return LaunchHost::TestChoice::Ran;
}

void ReliabilityTestCommand::SetMenuEnabled(bool enabled)
{
    m_window.SetCommandsEnabled(enabled);
}

void ReliabilityTestCommand::TestStarted()
{
    SetMenuEnabled(false);
    // The label is shared with the randomness check, which places it elsewhere: placed anew.
    m_notice = &m_window.NoticeLabel();
    m_notice->setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    // In the free row under the key line, where it covers nothing.
    m_notice->move(Twips::ToPixels(NoticeLeft), m_window.NoticeRowTop());
    m_notice->setText(Language::Text(5));
    m_notice->adjustSize();
    m_notice->show();
    m_notice->raise();
    m_window.mainWindow().repaint();
}

void ReliabilityTestCommand::ComparisonStarted()
{
    m_report.setWindowTitle(QCoreApplication::translate(
        "ReliabilityTestCommand", "Comparison of decrypted files with original files"));
    m_report.lblPausedDone->clear();
    m_report.RestoreSetupOnClose();
}

void ReliabilityTestCommand::WaitBeforeNextRun(bool separateFiles)
{
    m_report.cmdClose->hide();
    m_report.cmdStop->show();
    if (separateFiles) {
        m_report.cmdStop->setText(QCoreApplication::translate("ReliabilityTestCommand", "Stop"));
        m_report.cmdStop->resize(Twips::ToPixels(1000), m_report.cmdStop->height());
    }
    m_report.lblPausedDone->setText(
        QCoreApplication::translate("ReliabilityTestCommand", "Paused"));
    // The first tick after start-up comes after 5 seconds, every later one after 4; Stop in
    // the report window ends the wait at once.
    bool due = false;
    const QMetaObject::Connection tick =
        QObject::connect(m_clock, &QTimer::timeout, [&due] { due = true; });
    m_clock->start();
    while (!due && !m_driver.stopRequested()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // The main window closed meanwhile: the program is ending, the test with it.
        if (!m_window.mainWindow().isVisible())
            m_driver.StopAtNextFile();
    }
    m_clock->stop();
    QObject::disconnect(tick);
    m_report.lblPausedDone->clear();
}

void ReliabilityTestCommand::RunsEnded()
{
    m_report.cmdStop->hide();
    m_report.cmdClose->show();
}

void ReliabilityTestCommand::TestEnded()
{
    if (m_notice)
        m_notice->hide();
    SetMenuEnabled(true);
    m_report.activateWindow();
    m_report.txbText->setFocus();
}
