#include "HelpCommands.h"

#include "core/ProgramPaths.h"
#include "frmHelp.h"
#include "frmReport.h"
#include "support/Language.h"
#include "support/weblink.h"

#include <QFileInfo>
#include <QKeyEvent>

namespace {

constexpr int OnlineManualText = 26;

} // namespace

HelpCommands::HelpCommands(QWidget& window, const frmReport& report, Interaction& interaction,
                           DocumentLauncher::Opener opener)
    : QObject(&window), m_window(window), m_report(report),
      m_webLink(interaction, std::move(opener))
{
    // F1 released on a command button asks for that command's section, and the window takes it
    // there; an F1 that reaches the window itself had no command in focus.
    window.installEventFilter(this);
}

HelpCommands::~HelpCommands() = default;

frmHelp& HelpCommands::help()
{
    if (!m_help)
        m_help = std::make_unique<frmHelp>(&m_window);
    return *m_help;
}

void HelpCommands::OpenHelp(int heading)
{
    // "Help" itself does nothing while a batch runs; help about a command still opens.
    if (heading == 0 && m_report.Running())
        return;
    help().Open(heading);
}

QStringList HelpCommands::DocumentationAddresses()
{
    // The web page, not the Markdown it is made from: a browser shows it on every desktop.
    const QString guide = ProgramPaths::ProgramTextFile(QStringLiteral("user-guide.html"));
    const QString online = Language::Text(OnlineManualText);
    return QFileInfo::exists(guide) ? QStringList{guide, online} : QStringList{online};
}

QString HelpCommands::DocumentationToolTip()
{
    return weblink::DocumentationToolTip(Language::Text(OnlineManualText));
}

void HelpCommands::OpenDocumentation()
{
    m_webLink.OpenFirst(DocumentationAddresses());
}

bool HelpCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        OpenHelp(0);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
