#include "frmMain.h"

#include "CommandDescriptions.h"
#include "DoItCommand.h"
#include "DocumentationLink.h"
#include "EnterKey.h"
#include "FileCommands.h"
#include "HelpCommands.h"
#include "KeyCommand.h"
#include "KeyFromPanel.h"
#include "MainWindowGrid.h"
#include "RandomnessCommands.h"
#include "SetupMenu.h"
#include "SetupPanel.h"
#include "SummaryLines.h"
#include "Twips.h"
#include "core/BatchDriver.h"
#include "core/ProgramPaths.h"
#include "core/StartArguments.h"
#include "frmReport.h"
#include "persist/SetupCommands.h"
#include "storage/FileCipher.h"
#include "support/Interaction.h"
#include "support/Language.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

using namespace MainWindowGrid;

namespace {

// The free row under the key line, where a notice about a long task stands.
constexpr int NoticeBelowKeyLine = 420;

} // namespace

frmMain::frmMain(FileCipher& engine, Interaction& interaction, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_interaction(interaction), m_editor(interaction)
{
    setObjectName(QStringLiteral("frmMain"));
    setCentralWidget(new QWidget(this));
    m_fileCommands = std::make_unique<FileCommands>(*this, m_editor, m_interaction);
    setAcceptDrops(true);
    CreateControls();
    m_editor.SetView(m_summary.get());
    m_driver = std::make_unique<BatchDriver>(key(), m_engine, m_interaction);
    m_report = std::make_unique<frmReport>(this, *m_driver, m_interaction);
    CreateCommands();
    ConnectCommands();

    // Closing the comparison of a reliability test brings back the setup the test replaced.
    connect(m_report.get(), &frmReport::restoreSetupRequested, this,
            [this] { m_setupCommands->Restore(); });
    // The guard timer runs from the start, so the guard also covers the first second after
    // start-up.
    m_clickGuardTimer = new QTimer(this);
    m_clickGuardTimer->setObjectName(QStringLiteral("Clock2"));
    m_clickGuardTimer->setInterval(1000);
    m_clickGuardTimer->setSingleShot(true);
    connect(m_clickGuardTimer, &QTimer::timeout, this, [this] { m_clickGuard = false; });
    m_clickGuardTimer->start();
    m_closeWait.setInterval(100);
    connect(&m_closeWait, &QTimer::timeout, this, &frmMain::CloseWhenBatchEnded);
}

frmMain::~frmMain() = default;

QPushButton* frmMain::AddButton(QFrame* frame, const char* name, const QString& caption,
                                int heading, int row)
{
    auto* button = new QPushButton(caption, frame);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(Twips::Rect(60, 60 + row * RowStep, MenuWidth - 120, ButtonHeight));
    EnterKey::Apply(button);
    WatchCommand(button, heading);
    return button;
}

// The right button and F1 on a command ask for help at `heading`; the mouse over it and its
// Alt+letter shortcut focus it.
void frmMain::WatchCommand(QPushButton* command, int heading)
{
    command->installEventFilter(this);
    m_helpHeadings.insert(command, heading);
}

void frmMain::CreateControls()
{
    fraMenu = new QFrame(centralWidget());
    fraMenu->setObjectName(QStringLiteral("fraMenu"));
    fraMenu->setAccessibleName(tr("Operation commands"));
    fraMenu->setGeometry(Twips::Rect(60, RowTop - 60, MenuWidth, 12 * RowStep + 60));
    // Each command has its own Alt+letter in the window; the key button keeps its letter when
    // its caption follows the function.
    cmdFunction = AddButton(fraMenu, "cmdFunction", tr("&Function"), 1, 0);
    cmdSingleFile = AddButton(fraMenu, "cmdSingleFile", tr("&Single file"), 2, 1);
    cmdSpecifyDirectory[0] = AddButton(fraMenu, "cmdSpecifyDirectory0", tr("&Input folder"), 3, 2);
    cmdSpecifyFiles[0] = AddButton(fraMenu, "cmdSpecifyFiles0", tr("Input fi&le(s)"), 3, 3);
    cmdSubdirectories = AddButton(fraMenu, "cmdSubdirectories", tr("Su&bfolders?"), 4, 4);
    cmdOutputFilesSame =
        AddButton(fraMenu, "cmdOutputFilesSame", tr("Output file(s) s&ame?"), 5, 5);
    cmdSpecifyDirectory[1] = AddButton(fraMenu, "cmdSpecifyDirectory1", tr("&Output folder"), 6, 6);
    cmdSpecifyFiles[1] = AddButton(fraMenu, "cmdSpecifyFiles1", tr("Output fil&e(s)"), 6, 7);
    cmdKeyFrom = AddButton(fraMenu, "cmdKeyFrom", tr("Encryption &key"), 7, 8);
    cmdDoIt = AddButton(fraMenu, "cmdDoIt", tr("&Do it!"), 8, 9);
    cmdReportScreen = AddButton(fraMenu, "cmdReportScreen", tr("&Report screen"), 9, 10);
    cmdRandomnessReport =
        AddButton(fraMenu, "cmdRandomnessReport", tr("Rando&mness report"), 10, 11);

    // Setup, Help and Quit sit in a row at the lower right, level with the last menu button.
    constexpr int SetupButtonWidth = 1400;
    fraSetup = new QFrame(centralWidget());
    fraSetup->setObjectName(QStringLiteral("fraSetup"));
    fraSetup->setAccessibleName(tr("Program commands"));
    fraSetup->setGeometry(Twips::Rect(WindowWidth - 3 * (SetupButtonWidth + 90) - 120,
                                      RowY(11) - 60, 3 * (SetupButtonWidth + 90) + 60,
                                      RowStep + 60));
    const QString setupCaptions[] = {tr("Set&up"), tr("&Help"), tr("&Quit")};
    const char* const setupNames[] = {"cmdSetup", "cmdHelp", "cmdQuit"};
    const int setupHeadings[] = {11, 13, 14};
    QPushButton* setupButtons[3];
    for (int i = 0; i < 3; ++i) {
        setupButtons[i] = new QPushButton(setupCaptions[i], fraSetup);
        setupButtons[i]->setObjectName(QString::fromLatin1(setupNames[i]));
        setupButtons[i]->setGeometry(
            Twips::Rect(60 + i * (SetupButtonWidth + 90), 60, SetupButtonWidth, ButtonHeight));
        EnterKey::Apply(setupButtons[i]);
        WatchCommand(setupButtons[i], setupHeadings[i]);
    }
    cmdSetup = setupButtons[0];
    cmdHelp = setupButtons[1];
    cmdQuit = setupButtons[2];
    CommandDescriptions::Apply(*this);

    m_summary = std::make_unique<SummaryLines>(*centralWidget(), m_editor, *cmdKeyFrom, *fraSetup);
    auto* link = new DocumentationLink(tr("Online documentation"), centralWidget());
    link->setObjectName(QStringLiteral("lblOnlineDocumentation"));
    connect(link, &DocumentationLink::activated, this, &frmMain::documentationRequested);
    link->setGeometry(Twips::Rect(120, RowY(12) + 60, MenuWidth, LabelHeight));

    m_keyCommand =
        std::make_unique<KeyCommand>(*this, *cmdKeyFrom, *m_summary, m_editor, m_interaction);
    for (QPushButton* choice : m_keyCommand->panel().findChildren<QPushButton*>())
        WatchCommand(choice, 7);
}

void frmMain::CreateCommands()
{
    m_doIt = std::make_unique<DoItCommand>(*this, *m_summary, m_editor, *m_driver, *m_report,
                                           m_interaction);
    m_setupCommands = std::make_unique<SetupCommands>(m_editor, m_interaction);
    m_setupMenu = std::make_unique<SetupMenu>(*this, *cmdSetup, *m_summary, *m_setupCommands);
    for (SetupPanel* panel : {m_setupMenu->fraSetupMenu, m_setupMenu->picSaveSetup})
        for (QPushButton* choice : panel->findChildren<QPushButton*>())
            WatchCommand(choice, 11);
    m_randomness = std::make_unique<RandomnessCommands>(*this, *cmdRandomnessReport, m_editor,
                                                        *m_driver, *m_report, m_interaction);
    for (QPushButton* choice : {m_randomness->cmdInputFiles, m_randomness->cmdOutputFiles})
        WatchCommand(choice, 6);
}

void frmMain::Guarded(QPushButton* command, std::function<void()> action)
{
    connect(command, &QPushButton::clicked, this, [this, action = std::move(action)] {
        if (!m_clickGuard)
            action();
    });
}

void frmMain::ConnectCommands()
{
    connect(cmdKeyFrom, &QPushButton::clicked, this, [this] { m_keyCommand->Open(); });
    // The file commands ignore the release that closed a file dialog.
    FileCommands& files = *m_fileCommands;
    Guarded(cmdSingleFile, [&files] { files.SingleFile(); });
    Guarded(cmdSpecifyDirectory[0], [&files] { files.InputFolder(); });
    Guarded(cmdSpecifyFiles[0], [&files] { files.InputFiles(); });
    Guarded(cmdSpecifyDirectory[1], [&files] { files.OutputFolder(); });
    Guarded(cmdSpecifyFiles[1], [&files] { files.OutputFiles(); });
    Guarded(cmdFunction, [this] { m_editor.ToggleFunction(); });
    Guarded(cmdSubdirectories, [this] { m_editor.ToggleSubdirectories(); });
    Guarded(cmdOutputFilesSame, [this] { m_editor.ToggleOutputFilesSame(); });
    Guarded(cmdHelp, [this] { emit helpRequested(0); });
    // Disabled while the batch runs, the command gets the focus back, ready for when the
    // report window closes.
    Guarded(cmdDoIt, [this] {
        m_doIt->Run();
        cmdDoIt->setFocus();
    });
    Guarded(cmdReportScreen, [this] {
        m_report->ReportScreen();
        cmdReportScreen->setFocus();
    });
    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::close);
    connect(cmdSetup, &QPushButton::clicked, this, [this] { m_setupMenu->cmdSetup_Click(); });
    connect(cmdRandomnessReport, &QPushButton::clicked, this,
            [this] { m_randomness->cmdRandomnessReport_Click(); });
}

void frmMain::SetKeyDialogs(KeyDialogs* dialogs)
{
    m_keyCommand->SetKeyDialogs(dialogs);
}

void frmMain::SetHelp(HelpCommands& help)
{
    connect(this, &frmMain::helpRequested, &help, &HelpCommands::OpenHelp);
    connect(this, &frmMain::documentationRequested, &help, &HelpCommands::OpenDocumentation);
    findChild<QLabel*>(QStringLiteral("lblOnlineDocumentation"))
        ->setToolTip(HelpCommands::DocumentationToolTip());
}

void frmMain::ApplyFonts()
{
    // "Arial" of the original layout is Liberation Sans here; nothing is bold.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(9);
    font.setBold(false);
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLabel*>(widget) ||
            qobject_cast<QFrame*>(widget))
            widget->setFont(font);
    }
}

bool frmMain::StartUp(const QStringList& startPaths)
{
    setWindowTitle(VersionText() + QLatin1Char(' ') + Language::Text(1));
    // The working folder is the user's home folder: file dialogs open there.
    QDir::setCurrent(QDir::homePath());

    m_editor.SetStartUpDefaults(Language::Text(6), Language::Text(7),
                                ProgramPaths::DefaultOperationFile(Language::Text(310)));
    key() = KeyRecord();
    m_summary->SetKeyLine(setup().strNotSpecifiedWord);
    m_summary->SetupFilenameChanged(QString());
    m_summary->SetSetupFilenameShown(false);
    setFixedSize(Twips::ToPixels(WindowWidth), Twips::ToPixels(WindowHeight));
    ApplyFonts();
    show();

    if (m_engine.allocate_buffers() == 0) {
        m_interaction.Tell(tr("Fatal error"), tr("Attempt to allocate buffers was unsuccessful!"),
                           Interaction::Icon::Critical);
        m_shutDown = true; // the buffers were never there to release
        return false;
    }

    // The setup saved for this run, or the start values; either way kept for "Restore setup".
    m_setupCommands->LoadAtStartUp();
    // What the program was started with goes over the saved setup, and is what "Restore setup"
    // comes back to.
    if (!startPaths.isEmpty()) {
        WaitUntilPlaced();
        StartArguments::Apply(startPaths, m_editor, m_interaction);
        m_editor.KeepSetup();
    }
    RefreshSide(Setup::Input);
    RefreshSide(Setup::Output);
    // Keyboard users see the focused command from the start, not only after their first key.
    setAttribute(Qt::WA_KeyboardFocusChange);
    cmdFunction->setFocus();
    return true;
}

void frmMain::WaitUntilPlaced()
{
    // The window is exposed once the window manager has framed and placed it. Clicks wait:
    // the window is not set up yet.
    QTimer wake; // ends each wait for events, so that the deadline is seen
    wake.start(50);
    const QDeadlineTimer deadline(2000);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
}

void frmMain::RefreshSide(int side)
{
    m_summary->RefreshSide(side);
}

const QWidget& frmMain::commandFrame() const
{
    return *fraMenu;
}

int frmMain::NoticeRowTop() const
{
    return m_summary->KeyLineTop() + Twips::ToPixels(NoticeBelowKeyLine);
}

QLabel& frmMain::NoticeLabel()
{
    if (!m_notice) {
        m_notice = new QLabel(centralWidget());
        m_notice->setObjectName(QStringLiteral("lblPerformingReliabilityTest"));
        m_notice->hide();
    }
    return *m_notice;
}

void frmMain::SetCommandsEnabled(bool enabled)
{
    fraMenu->setEnabled(enabled);
    fraSetup->setEnabled(enabled);
}

void frmMain::SetClickGuard()
{
    m_clickGuard = true;
    m_clickGuardTimer->start();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const auto heading = m_helpHeadings.constFind(watched);
    if (heading == m_helpHeadings.constEnd())
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        static_cast<QWidget*>(watched)->setFocus();
        break;
    case QEvent::Shortcut:
        // Alt and the underlined letter press the command as a click does, focus included.
        static_cast<QWidget*>(watched)->setFocus(Qt::ShortcutFocusReason);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // The right button asks for help about the command instead of performing it.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            if (event->type() == QEvent::MouseButtonRelease &&
                (watched == cmdQuit || !m_clickGuard))
                emit helpRequested(*heading);
            return true;
        }
        break;
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
            // Over a visible report, F1 on its button belongs to the report.
            if (watched != cmdReportScreen || (!m_clickGuard && m_report->isHidden()))
                emit helpRequested(*heading);
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    m_fileCommands->DropUrls(event->mimeData()->urls());
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // The engine may be busy on another thread: the batch stops at its next file, and the
    // window closes once the batch, and the "Do it!" that started it, have ended.
    if (m_driver->running() || m_doIt->Busy()) {
        if (!m_closePending) {
            m_closePending = true;
            m_driver->StopAtNextFile();
            m_closeWait.start();
        }
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void frmMain::CloseWhenBatchEnded()
{
    // A run that began after the stop (the batch after its measuring pass, the next run of a
    // reliability test) is stopped as well.
    if (m_driver->running()) {
        if (!m_driver->stopRequested())
            m_driver->StopAtNextFile();
        return;
    }
    if (m_doIt->Busy())
        return;
    m_closeWait.stop();
    m_closePending = false;
    close();
}

void frmMain::ShutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    key().EraseKey();
    m_engine.deallocate_buffers();
}
