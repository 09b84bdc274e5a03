#include "RandomnessCommands.h"

#include "CommandWindow.h"
#include "SetupPanel.h"
#include "Twips.h"
#include "core/SetupEditor.h"
#include "frmGraphic.h"
#include "frmReport.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int PanelTop = 2740;
constexpr int PanelGap = 50;
constexpr int ReportTopOffset = 450;

} // namespace

RandomnessCommands::RandomnessCommands(CommandWindow& window, QPushButton& command,
                                       SetupEditor& editor, BatchDriver& driver, frmReport& report,
                                       Interaction& interaction)
    : m_window(window), m_command(command), m_editor(editor), m_reportWindow(report),
      m_interaction(interaction), m_report(editor.setup(), driver, interaction, *this)
{
    picRandomnessReport =
        new SetupPanel(window.mainWindow().centralWidget(), QStringLiteral("picRandomnessReport"),
                       {QT_TRANSLATE_NOOP("SetupPanel", "Input file(s)"),
                        QT_TRANSLATE_NOOP("SetupPanel", "Output file(s)"),
                        QT_TRANSLATE_NOOP("SetupPanel", "Not now")});
    cmdInputFiles = picRandomnessReport->button(0);
    cmdOutputFiles = picRandomnessReport->button(1);
    cmdNoRandomnessReport = picRandomnessReport->button(2);
    cmdInputFiles->setAccessibleDescription(
        QCoreApplication::translate("RandomnessCommands", "Examine the input files of the setup."));
    cmdOutputFiles->setAccessibleDescription(QCoreApplication::translate(
        "RandomnessCommands", "Examine the output files of the setup."));
    cmdNoRandomnessReport->setAccessibleDescription(
        QCoreApplication::translate("RandomnessCommands", "Close the choices."));
    // The choices ignore the release that closed a file dialog, as the commands do.
    auto choice = [this](QPushButton* button, int side) {
        QObject::connect(button, &QPushButton::clicked, button, [this, side] {
            if (!m_window.ClickGuard())
                Choose(side);
        });
    };
    choice(cmdInputFiles, Setup::Input);
    choice(cmdOutputFiles, Setup::Output);
    QObject::connect(cmdNoRandomnessReport, &QPushButton::clicked, cmdNoRandomnessReport,
                     [this] { cmdNoRandomnessReport_Click(); });
}

RandomnessCommands::~RandomnessCommands() = default;

void RandomnessCommands::cmdRandomnessReport_Click()
{
    if (m_window.ClickGuard() || !m_report.CheckSidesSpecified())
        return;
    const QRect menu = m_window.commandFrame().geometry();
    SetFramesEnabled(false);
    cmdInputFiles->setEnabled(RandomnessReport::SideSpecified(m_editor.setup(), Setup::Input));
    cmdOutputFiles->setEnabled(RandomnessReport::SideSpecified(m_editor.setup(), Setup::Output));
    picRandomnessReport->ShowClearOfLines(m_command.width() + menu.x() + Twips::ToPixels(PanelGap),
                                          Twips::ToPixels(PanelTop));
    (cmdInputFiles->isEnabled() ? cmdInputFiles : cmdOutputFiles)->setFocus();
}

void RandomnessCommands::cmdNoRandomnessReport_Click()
{
    picRandomnessReport->hide();
    SetFramesEnabled(true);
    m_command.setFocus();
}

void RandomnessCommands::Choose(int side)
{
    if (m_report.MakeRandomnessReport(side) == RandomnessReport::Outcome::NoFiles) {
        cmdNoRandomnessReport_Click();
        return;
    }
    SetFramesEnabled(true);
    // Where the focus returns when the report window closes.
    m_command.setFocus();
    frmReport& report = m_reportWindow;
    if (report.isVisible()) {
        report.activateWindow();
        report.txbText->setFocus();
    }
}

void RandomnessCommands::SetFramesEnabled(bool enabled)
{
    m_window.SetCommandsEnabled(enabled);
}

void RandomnessCommands::CloseChoices()
{
    picRandomnessReport->hide();
    SetFramesEnabled(false);
}

// The main window's status line for a check that takes a while; the reliability test shows
// its progress in the same place.
QLabel* RandomnessCommands::CheckingLabel()
{
    QLabel& label = m_window.NoticeLabel();
    label.setGeometry(Twips::Rect(2460, 3930, 4000, 300));
    return &label;
}

void RandomnessCommands::ShowChecking(bool shown)
{
    QLabel* label = CheckingLabel();
    label->setText(QCoreApplication::translate("RandomnessCommands", "Checking file ..."));
    label->setVisible(shown);
    label->raise();
    m_window.mainWindow().repaint();
}

void RandomnessCommands::ShowSingleFile(const SingleFileFigures& figures)
{
    if (!m_graphic)
        m_graphic = new frmGraphic(&m_window.mainWindow(), m_interaction);
    m_graphic->ShowFile(figures);
}

void RandomnessCommands::ShowReportWindow(const QString& caption)
{
    frmReport& report = m_reportWindow;
    report.setWindowTitle(caption);
    report.ResetCopyButton();
    report.PlaceUnderMainWindow(ReportTopOffset);
    report.show();
    report.raise();
}
