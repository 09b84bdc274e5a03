#include "RandomnessCommands.h"

#include "SetupPanel.h"
#include "Twips.h"
#include "core/Setup.h"
#include "frmGraphic.h"
#include "frmMain.h"
#include "frmReport.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int PanelTop = 2740;
constexpr int PanelGap = 50;
constexpr int ReportTopOffset = 450;

} // namespace

RandomnessCommands::RandomnessCommands(frmMain& main, Interaction& interaction)
    : m_main(main), m_interaction(interaction),
      m_report(main.setup(), main.driver(), interaction, *this)
{
    picRandomnessReport =
        new SetupPanel(main.centralWidget(), QStringLiteral("picRandomnessReport"),
                       {QT_TRANSLATE_NOOP("SetupPanel", "Input file(s)"),
                        QT_TRANSLATE_NOOP("SetupPanel", "Output file(s)"),
                        QT_TRANSLATE_NOOP("SetupPanel", "Not now")});
    cmdInputFiles = picRandomnessReport->button(0);
    cmdOutputFiles = picRandomnessReport->button(1);
    cmdNoRandomnessReport = picRandomnessReport->button(2);
    // The choices ignore the release that closed a file dialog, as the commands do.
    auto choice = [this](QPushButton* button, int side) {
        QObject::connect(button, &QPushButton::clicked, button, [this, side] {
            if (!m_main.ClickGuard())
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
    if (m_main.ClickGuard() || !m_report.CheckSidesSpecified())
        return;
    const QRect menu = m_main.fraMenu->geometry();
    picRandomnessReport->move(m_main.cmdRandomnessReport->width() + menu.x() +
                                  Twips::ToPixels(PanelGap),
                              Twips::ToPixels(PanelTop));
    SetFramesEnabled(false);
    cmdInputFiles->setEnabled(RandomnessReport::SideSpecified(m_main.setup(), Setup::Input));
    cmdOutputFiles->setEnabled(RandomnessReport::SideSpecified(m_main.setup(), Setup::Output));
    picRandomnessReport->show();
    picRandomnessReport->raise();
    (cmdInputFiles->isEnabled() ? cmdInputFiles : cmdOutputFiles)->setFocus();
}

void RandomnessCommands::cmdNoRandomnessReport_Click()
{
    picRandomnessReport->hide();
    SetFramesEnabled(true);
    m_main.cmdRandomnessReport->setFocus();
}

void RandomnessCommands::Choose(int side)
{
    if (m_report.MakeRandomnessReport(side) == RandomnessReport::Outcome::NoFiles) {
        cmdNoRandomnessReport_Click();
        return;
    }
    SetFramesEnabled(true);
    frmReport& report = m_main.report();
    if (report.isVisible()) {
        report.activateWindow();
        report.txbText->setFocus();
    } else {
        m_main.cmdRandomnessReport->setFocus();
    }
}

void RandomnessCommands::SetFramesEnabled(bool enabled)
{
    m_main.fraMenu->setEnabled(enabled);
    m_main.fraSetup->setEnabled(enabled);
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
    const QString name = QStringLiteral("lblPerformingReliabilityTest");
    auto* label = m_main.findChild<QLabel*>(name);
    if (!label) {
        label = new QLabel(m_main.centralWidget());
        label->setObjectName(name);
        label->setGeometry(Twips::Rect(2460, 3930, 4000, 300));
        label->hide();
    }
    return label;
}

void RandomnessCommands::ShowChecking(bool shown)
{
    QLabel* label = CheckingLabel();
    label->setText(QCoreApplication::translate("RandomnessCommands", "Checking file ..."));
    label->setVisible(shown);
    label->raise();
    m_main.repaint();
}

void RandomnessCommands::ShowSingleFile(const SingleFileFigures& figures)
{
    if (!m_graphic)
        m_graphic = new frmGraphic(&m_main, m_interaction);
    m_graphic->ShowFile(figures);
}

void RandomnessCommands::ShowReportWindow(const QString& caption)
{
    frmReport& report = m_main.report();
    report.setWindowTitle(caption);
    report.ResetCopyButton();
    report.show();
    report.move(m_main.pos() + QPoint(0, Twips::ToPixels(ReportTopOffset)));
    report.raise();
}
