#include "frmMain.h"

#include "CipherEngine.h"
#include "DoItCommand.h"
#include "DocumentationLink.h"
#include "EnterKey.h"
#include "FileCommands.h"
#include "FilesLine.h"
#include "KeyFromPanel.h"
#include "RandomnessCommands.h"
#include "SetupMenu.h"
#include "SetupPanel.h"
#include "Twips.h"
#include "core/BatchDriver.h"
#include "core/FileSummary.h"
#include "core/ProgramPaths.h"
#include "files/folder.h"
#include "frmReport.h"
#include "keys/KeyAcquisition.h"
#include "persist/SetupCommands.h"
#include "support/DiskProc.h"
#include "support/Interaction.h"
#include "support/Language.h"
#include "support/TxtEncDec.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>

#include <functional>

namespace {

constexpr int WindowWidth = 10800;
constexpr int WindowHeight = 5700;
constexpr int RowTop = 90;
constexpr int RowStep = 420;
constexpr int ButtonHeight = 375;
constexpr int MenuWidth = 2100;
constexpr int CaptionLeft = 2460;
constexpr int ValueLeft = 3960;
constexpr int LabelHeight = 300;

int RowY(int row)
{
    return RowTop + row * RowStep;
}

// The words that name the function, in both forms. TxtEncDec switches them in English and the
// form it gives is translated afterwards; they are listed here so that lupdate collects both.
[[maybe_unused]] constexpr const char* FunctionWords[] = {
    QT_TRANSLATE_NOOP("frmMain", "Encryption"), QT_TRANSLATE_NOOP("frmMain", "Decryption"),
    QT_TRANSLATE_NOOP("frmMain", "Encrypt"), QT_TRANSLATE_NOOP("frmMain", "Decrypt")};

} // namespace

frmMain::frmMain(CipherEngine& engine, Interaction& interaction, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_interaction(interaction), m_editor(interaction)
{
    setObjectName(QStringLiteral("frmMain"));
    setCentralWidget(new QWidget(this));
    m_fileCommands = std::make_unique<FileCommands>(*this, m_interaction);
    setAcceptDrops(true);
    CreateControls();
    m_editor.SetView(this);
    m_driver = std::make_unique<BatchDriver>(key(), m_engine, m_interaction);
    m_report = std::make_unique<frmReport>(this, *m_driver, m_interaction);
    m_doIt = std::make_unique<DoItCommand>(*this, *m_report, m_interaction);
    m_setupCommands = std::make_unique<SetupCommands>(m_editor, m_interaction);
    m_setupMenu = std::make_unique<SetupMenu>(*this, *m_setupCommands);
    connect(cmdSetup, &QPushButton::clicked, this, [this] { m_setupMenu->cmdSetup_Click(); });
    for (SetupPanel* panel : {m_setupMenu->fraSetupMenu, m_setupMenu->picSaveSetup})
        for (QPushButton* choice : panel->findChildren<QPushButton*>())
            WatchCommand(choice, 11);
    m_randomness = std::make_unique<RandomnessCommands>(*this, m_interaction);
    for (QPushButton* choice : {m_randomness->cmdInputFiles, m_randomness->cmdOutputFiles})
        WatchCommand(choice, 6);
    connect(cmdRandomnessReport, &QPushButton::clicked, this,
            [this] { m_randomness->cmdRandomnessReport_Click(); });

    Clock.setInterval(5000);
    connect(&Clock, &QTimer::timeout, this, &frmMain::Clock_Tick);
    connect(m_report.get(), &frmReport::stopRequested, &Clock, &QTimer::stop);
    // Closing the comparison of a reliability test brings back the setup the test replaced.
    connect(m_report.get(), &frmReport::restoreSetupRequested, this,
            [this] { m_setupCommands->Restore(); });
    // Clock2 runs from the start, so the guard also covers the first second after start-up.
    Clock2.setInterval(1000);
    Clock2.setSingleShot(true);
    connect(&Clock2, &QTimer::timeout, this, [this] { m_clickGuard = false; });
    Clock2.start();
    m_closeWait.setInterval(100);
    connect(&m_closeWait, &QTimer::timeout, this, &frmMain::CloseWhenBatchEnded);
}

frmMain::~frmMain() = default;

QPushButton* frmMain::AddButton(QFrame* frame, const QString& caption, int heading, int row)
{
    auto* button = new QPushButton(caption, frame);
    button->setGeometry(Twips::Rect(60, 60 + row * RowStep, MenuWidth - 120, ButtonHeight));
    EnterKey::Apply(button);
    WatchCommand(button, heading);
    return button;
}

// The right button and F1 on a command ask for help at `heading`; the mouse over it focuses it.
void frmMain::WatchCommand(QPushButton* command, int heading)
{
    command->installEventFilter(this);
    m_helpHeadings.insert(command, heading);
}

QLabel* frmMain::AddLabel(int left, int row, int width, const QString& text)
{
    return PlaceLabel(new QLabel(text, centralWidget()), left, row, width);
}

QLabel* frmMain::PlaceLabel(QLabel* label, int left, int row, int width)
{
    label->setGeometry(Twips::Rect(left, RowY(row) + 60, width, LabelHeight));
    return label;
}

void frmMain::CreateControls()
{
    fraMenu = new QFrame(centralWidget());
    fraMenu->setObjectName(QStringLiteral("fraMenu"));
    fraMenu->setGeometry(Twips::Rect(60, RowTop - 60, MenuWidth, 12 * RowStep + 60));
    // Each command has its own Alt+letter in the window; the key button keeps its letter when
    // its caption follows the function.
    cmdFunction = AddButton(fraMenu, tr("&Function"), 1, 0);
    cmdSingleFile = AddButton(fraMenu, tr("&Single file"), 2, 1);
    cmdSpecifyDirectory[0] = AddButton(fraMenu, tr("&Input folder"), 3, 2);
    cmdSpecifyFiles[0] = AddButton(fraMenu, tr("Input fi&le(s)"), 3, 3);
    cmdSubdirectories = AddButton(fraMenu, tr("Su&bfolders?"), 4, 4);
    cmdOutputFilesSame = AddButton(fraMenu, tr("Output file(s) s&ame?"), 5, 5);
    cmdSpecifyDirectory[1] = AddButton(fraMenu, tr("&Output folder"), 6, 6);
    cmdSpecifyFiles[1] = AddButton(fraMenu, tr("Output fil&e(s)"), 6, 7);
    cmdKeyFrom = AddButton(fraMenu, tr("Encryption &key"), 7, 8);
    cmdDoIt = AddButton(fraMenu, tr("&Do it!"), 8, 9);
    cmdReportScreen = AddButton(fraMenu, tr("&Report screen"), 9, 10);
    cmdRandomnessReport = AddButton(fraMenu, tr("Rando&mness report"), 10, 11);

    // Setup, Help and Quit sit in a row at the lower right, level with the last menu button.
    constexpr int SetupButtonWidth = 1400;
    fraSetup = new QFrame(centralWidget());
    fraSetup->setObjectName(QStringLiteral("fraSetup"));
    fraSetup->setGeometry(Twips::Rect(WindowWidth - 3 * (SetupButtonWidth + 90) - 120,
                                      RowY(11) - 60, 3 * (SetupButtonWidth + 90) + 60,
                                      RowStep + 60));
    const QString setupCaptions[] = {tr("Set&up"), tr("&Help"), tr("&Quit")};
    const int setupHeadings[] = {11, 13, 14};
    QPushButton* setupButtons[3];
    for (int i = 0; i < 3; ++i) {
        setupButtons[i] = new QPushButton(setupCaptions[i], fraSetup);
        setupButtons[i]->setGeometry(
            Twips::Rect(60 + i * (SetupButtonWidth + 90), 60, SetupButtonWidth, ButtonHeight));
        EnterKey::Apply(setupButtons[i]);
        WatchCommand(setupButtons[i], setupHeadings[i]);
    }
    cmdSetup = setupButtons[0];
    cmdHelp = setupButtons[1];
    cmdQuit = setupButtons[2];

    const int valueWidth = WindowWidth - ValueLeft - 120;
    const int captionWidth = ValueLeft - CaptionLeft - 60;
    const struct
    {
        int row;
        const char* text;
    } captions[] = {{0, QT_TR_NOOP("Function:")},       {2, QT_TR_NOOP("Input folder:")},
                    {3, QT_TR_NOOP("Input file(s):")},  {4, QT_TR_NOOP("Subfolders:")},
                    {5, QT_TR_NOOP("Output same:")},    {6, QT_TR_NOOP("Output folder:")},
                    {7, QT_TR_NOOP("Output file(s):")}, {8, QT_TR_NOOP("Key:")}};
    for (const auto& caption : captions)
        AddLabel(CaptionLeft, caption.row, captionWidth, tr(caption.text));

    lblFunction = AddLabel(ValueLeft, 0, 1300);
    lblFunction2 = AddLabel(ValueLeft + 1300, 0, valueWidth - 1300);
    lblSingleFile = AddLabel(CaptionLeft, 1, WindowWidth - CaptionLeft - 120);
    for (int side = 0; side < 2; ++side) {
        lblDirectory[side] = AddLabel(ValueLeft, side == 0 ? 2 : 6, valueWidth);
        lblFiles[side] = AddLabel(ValueLeft, side == 0 ? 3 : 7, valueWidth);
        lblFiles2[side] = AddLabel(ValueLeft, side == 0 ? 3 : 7, valueWidth);
    }
    lblSubdirectories = AddLabel(ValueLeft, 4, 600);
    lblSubdirectories2 = AddLabel(ValueLeft + 600, 4, valueWidth - 600);
    lblOutputFilesSame = AddLabel(ValueLeft, 5, 600);
    lblOutputFilesSame2 = AddLabel(ValueLeft + 600, 5, valueWidth - 600);
    lblKeyFrom = AddLabel(ValueLeft, 8, valueWidth);

    auto* link = new DocumentationLink(tr("Online documentation"), centralWidget());
    connect(link, &DocumentationLink::activated, this, &frmMain::documentationRequested);
    lblOnlineDocumentation = PlaceLabel(link, 120, 12, MenuWidth);
    lblSetupFilename = AddLabel(fraSetup->x() * 15, 12, WindowWidth - fraSetup->x() * 15 - 120);
    lblSetupFilename->hide();

    picKeyFrom = new KeyFromPanel(centralWidget());
    for (QPushButton* choice : picKeyFrom->findChildren<QPushButton*>()) {
        WatchCommand(choice, 7);
        connect(choice, &QPushButton::clicked, this, [this, choice] { KeyPanelChoice(choice); });
    }

    connect(cmdKeyFrom, &QPushButton::clicked, this, &frmMain::cmdKeyFrom_Click);
    // The file commands ignore the release that closed a file dialog. std::invoke rather than
    // ->*: g++ 12 with -fsanitize=undefined checks the captured `this` after the call's "is it
    // virtual" branch with a register that only the virtual branch loads, and reads garbage.
    auto guarded = [this](QPushButton* button, void (FileCommands::*command)()) {
        connect(button, &QPushButton::clicked, this, [this, command] {
            if (!m_clickGuard)
                std::invoke(command, *m_fileCommands);
        });
    };
    guarded(cmdSingleFile, &FileCommands::SingleFile);
    guarded(cmdSpecifyDirectory[0], &FileCommands::InputFolder);
    guarded(cmdSpecifyFiles[0], &FileCommands::InputFiles);
    guarded(cmdSpecifyDirectory[1], &FileCommands::OutputFolder);
    guarded(cmdSpecifyFiles[1], &FileCommands::OutputFiles);
    connect(cmdFunction, &QPushButton::clicked, this, &frmMain::cmdFunction_Click);
    connect(cmdSubdirectories, &QPushButton::clicked, this, &frmMain::cmdSubdirectories_Click);
    connect(cmdOutputFilesSame, &QPushButton::clicked, this, &frmMain::cmdOutputFilesSame_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdDoIt, &QPushButton::clicked, this, [this] {
        if (!m_clickGuard)
            m_doIt->Run();
    });
    connect(cmdReportScreen, &QPushButton::clicked, this, [this] {
        if (!m_clickGuard)
            m_report->ReportScreen();
    });
    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::close);
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

bool frmMain::StartUp()
{
    setWindowTitle(VersionText() + QLatin1Char(' ') + Language::Text(1));
    // The working folder is the user's home folder: file dialogs open there.
    QDir::setCurrent(QDir::homePath());

    m_editor.SetStartUpDefaults(Language::Text(6), Language::Text(7),
                                ProgramPaths::DefaultOperationFile(Language::Text(310)));
    key() = KeyRecord();
    lblKeyFrom->setText(setup().strNotSpecifiedWord);
    lblSetupFilename->clear();
    lblSetupFilename->hide();
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
    RefreshSide(Setup::Input);
    RefreshSide(Setup::Output);
    cmdFunction->setFocus();
    return true;
}

void frmMain::SetClickGuard()
{
    m_clickGuard = true;
    Clock2.start();
}

void frmMain::cmdFunction_Click()
{
    if (!m_clickGuard)
        m_editor.ToggleFunction();
}

void frmMain::FunctionChanged()
{
    const bool encrypt = setup().blnEncrypt;
    const auto word = [encrypt](const char* english) {
        return tr(TxtEncDec(QString::fromLatin1(english), encrypt).toLatin1().constData());
    };
    lblFunction->setText(word("Encryption"));
    lblFunction2->setText(QLatin1Char('(') + word("Encrypt") + tr(" the input files.)"));
    cmdKeyFrom->setText(word("Encryption") + tr(" &key"));
    RefreshHintLine();
}

void frmMain::cmdSubdirectories_Click()
{
    if (!m_clickGuard)
        m_editor.ToggleSubdirectories();
}

void frmMain::SubdirectoriesChanged(bool inputHasSubfolders)
{
    if (!inputHasSubfolders) {
        lblSubdirectories->setText(tr("No"));
        lblSubdirectories2->setText(tr("(The input folder has no subfolders.)"));
        return;
    }
    const bool included = setup().blnSubdirectories;
    lblSubdirectories->setText(included ? tr("Yes") : tr("No"));
    lblSubdirectories2->setText(included
                                    ? tr("(Operate on all specified files in lower subfolders.)")
                                    : tr("(Do not operate on files in lower subfolders.)"));
}

void frmMain::cmdOutputFilesSame_Click()
{
    if (!m_clickGuard)
        m_editor.ToggleOutputFilesSame();
}

void frmMain::OutputFilesSameChanged()
{
    const bool same = setup().blnOutputFilesSame;
    lblOutputFilesSame->setText(same ? tr("Yes") : tr("No"));
    lblOutputFilesSame2->setText(
        same ? tr("(The output files are the same as the input files.)")
             : tr("(The output files normally are different from the input files.)"));
}

void frmMain::KeyCleared()
{
    lblKeyFrom->setText(setup().strNotSpecifiedWord);
}

void frmMain::SetupFilenameChanged(const QString& path)
{
    lblSetupFilename->setText(path);
}

void frmMain::RefreshSide(int side)
{
    lblDirectory[side]->setText(setup().strDirpath[side].isEmpty() ? setup().strNotSpecifiedWord
                                                                   : setup().strDirpath[side]);
    FilesLine::Show(lblFiles[side], lblFiles2[side],
                    setup().strFilespec[side].isEmpty() ? setup().strNotSpecifiedWord
                                                        : setup().strFilespec[side],
                    QString());
    repaint(); // the next step may read the file
    const SideSummary summary = FileSummary::Describe(setup(), side);
    lblDirectory[side]->setText(summary.folderLine);
    FilesLine::Show(lblFiles[side], lblFiles2[side], summary.filesLine, summary.comment);
    RefreshHintLine();
}

void frmMain::RefreshHintLine()
{
    lblSingleFile->setText(FileSummary::HintLine(setup()));
}

void frmMain::cmdHelp_Click()
{
    if (!m_clickGuard)
        emit helpRequested(0);
}

void frmMain::cmdKeyFrom_Click()
{
    if (m_clickGuard)
        return;
    m_savedKeyLine = lblKeyFrom->text();
    lblKeyFrom->clear();
    fraMenu->setEnabled(false);
    fraSetup->setEnabled(false);
    picKeyFrom->Arrange(setup().blnEncrypt);
    // Beside the menu, level with the key button where it fits.
    const int top =
        std::min(cmdKeyFrom->mapTo(this, QPoint()).y(), height() - picKeyFrom->height() - 4);
    picKeyFrom->move(fraMenu->geometry().right() + 8, top);
    picKeyFrom->show();
    picKeyFrom->raise();
    picKeyFrom->cmdKeyboardWithDisplay->setFocus();
}

void frmMain::KeyPanelChoice(QPushButton* choice)
{
    picKeyFrom->hide();
    key().blnKeyChoiceCancelled = false;
    if (choice == picKeyFrom->cmdDontSpecifyKeyNow) {
        lblKeyFrom->setText(m_savedKeyLine);
    } else {
        if (choice == picKeyFrom->cmdEraseKey) {
            m_editor.ClearKey();
        } else if (m_keyDialogs != nullptr) {
            KeyAcquisition acquisition(key(), m_interaction, *m_keyDialogs);
            if (choice == picKeyFrom->cmdKeyboardWithDisplay)
                acquisition.KeyFromKeyboardWithDisplay(setup().blnEncrypt);
            else if (choice == picKeyFrom->cmdKeyboardWithoutDisplay)
                acquisition.KeyFromKeyboardWithoutDisplay(setup().blnEncrypt);
            else
                acquisition.KeyFromKeyfile(choice == picKeyFrom->cmdKeyFile[1] ? 1 : 0,
                                           setup().blnEncrypt);
        }
        ShowKeySource();
    }
    fraMenu->setEnabled(true);
    fraSetup->setEnabled(true);
    cmdKeyFrom->setFocus();
}

void frmMain::ShowKeySource()
{
    lblKeyFrom->setText(::ShowKeySource(key(), m_interaction, m_savedKeyLine,
                                        setup().strSpecifiedWord, setup().strNotSpecifiedWord));
}

void frmMain::Clock_Tick()
{
    Clock.setInterval(4000);
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
            m_driver->cmdStop_Click();
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
            m_driver->cmdStop_Click();
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
