#include "Caption.h"
#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "ScriptedKeyDialogs.h"
#include "gui/FileDialog.h"
#include "gui/KeyFromPanel.h"
#include "gui/ReadableColour.h"
#include "gui/ReadableStyle.h"
#include "gui/SetupMenu.h"
#include "gui/SetupPanel.h"
#include "gui/frmMain.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The main window after start-up: labels, the Function toggle, the click guard, help on the
// right button and F1, the keyboard, and shut-down.
class tst_frmmain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startUpWithoutOperationFile();
    void functionToggle();
    void clickGuardSwallowsReleasesForOneSecond();
    void helpHeadings_data();
    void helpHeadings();
    void subfoldersForceOutputSame();
    void subfoldersOfAFolderWithoutAny();
    void quitWipesTheKeyAndReleasesTheBuffers();
    void keyPanelLayout_data();
    void keyPanelLayout();
    void keyPanelChoices();
    void setupSavedForNextRunComesBack();
    void fileCommentFollowsTheName_data();
    void fileCommentFollowsTheName();
    void enterAndEscape_data();
    void enterAndEscape();
    void everyCommandHasItsOwnAltLetter();
    void documentationLinkByKeyboard();
    void linkStandsOutUnderAnyPalette_data();
    void linkStandsOutUnderAnyPalette();
    void controlsStandOutUnderAnyPalette_data() { linkStandsOutUnderAnyPalette_data(); }
    void controlsStandOutUnderAnyPalette();

private:
    QTemporaryDir m_config;
    FileCipher* m_engine = nullptr;
    ScriptedInteraction* m_interaction = nullptr;
    ScriptedKeyDialogs m_keyDialogs;
    frmMain* m_window = nullptr;
};

namespace {

// `panel` lies inside the window and covers no text and no command outside it.
void VerifyHidesNothing(frmMain& w, const QWidget& panel)
{
    const QWidget& area = *panel.parentWidget();
    QVERIFY(area.rect().contains(panel.geometry()));
    for (const QLabel* label : area.findChildren<QLabel*>()) {
        const QRect box(label->mapTo(&area, QPoint()), label->size());
        if (label->isVisible() && !label->text().isEmpty() && !panel.isAncestorOf(label))
            QVERIFY2(!panel.geometry().intersects(box), qPrintable(label->text()));
    }
    for (const QWidget* frame : {Widgets(w).fraMenu, Widgets(w).fraSetup})
        QVERIFY(!panel.geometry().intersects(frame->geometry()));
}

} // namespace

void tst_frmmain::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
    ReadableStyle::Install();
}

void tst_frmmain::init()
{
    m_engine = new FileCipher;
    m_interaction = new ScriptedInteraction;
    m_window = new frmMain(*m_engine, *m_interaction);
    m_keyDialogs = ScriptedKeyDialogs();
    m_window->SetKeyDialogs(&m_keyDialogs);
    QVERIFY(m_window->StartUp());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void tst_frmmain::cleanup()
{
    delete m_window;
    delete m_interaction;
    delete m_engine;
}

void tst_frmmain::startUpWithoutOperationFile()
{
    const frmMain& w = *m_window;
    QCOMPARE(w.windowTitle(), QStringLiteral("1.02 ") + Language::Text(1));
    QCOMPARE(Widgets(w).lblFunction->text(), QStringLiteral("Encryption"));
    QCOMPARE(Widgets(w).lblFunction2->text(), QStringLiteral("(Encrypt the input files.)"));
    QCOMPARE(Widgets(w).lblSubdirectories->text(), QStringLiteral("No"));
    QCOMPARE(Widgets(w).lblOutputFilesSame->text(), QStringLiteral("No"));
    QCOMPARE(Caption(Widgets(w).cmdKeyFrom), QStringLiteral("Encryption key"));
    QCOMPARE(Widgets(w).lblFiles[0]->text(), Language::Text(7));
    QCOMPARE(Widgets(w).lblKeyFrom->text(), Language::Text(7));
    QCOMPARE(Widgets(w).lblSingleFile->text(),
             QStringLiteral("To encrypt multiple files specify input folder and input files."));
    QVERIFY(!Widgets(w).lblSetupFilename->isVisible());
    QVERIFY(Widgets(w).cmdFunction->hasFocus());
    QVERIFY(w.testAttribute(Qt::WA_KeyboardFocusChange)); // its focus ring shows
    QCOMPARE(w.height(), 380);                            // 5700 twips
    QCOMPARE(m_window->key().intKeySource, -1);
    QCOMPARE(m_window->key().strKey, QByteArray(64, '\0'));
    const KeptSetup expected{true, false, false, false, {}, {}};
    QCOMPARE(w.keptSetup(), expected);
    QCOMPARE(m_window->setup().strDefaultOperationFile, m_config.filePath("zr7e/zr7e.opn"));
    QVERIFY(QFileInfo(m_config.filePath("zr7e")).isDir());
    QVERIFY(m_interaction->shown.isEmpty());
}

void tst_frmmain::functionToggle()
{
    frmMain& w = *m_window;
    Widgets(w).lblSetupFilename->setText("/some/file.opn");
    QTest::mouseClick(Widgets(w).cmdFunction, Qt::LeftButton);
    QCOMPARE(w.setup().blnEncrypt, false);
    QCOMPARE(Widgets(w).lblFunction->text(), QStringLiteral("Decryption"));
    QCOMPARE(Widgets(w).lblFunction2->text(), QStringLiteral("(Decrypt the input files.)"));
    QCOMPARE(Caption(Widgets(w).cmdKeyFrom), QStringLiteral("Decryption key"));
    QCOMPARE(Widgets(w).lblSingleFile->text(),
             QStringLiteral("To decrypt multiple files specify input folder and input files."));
    QCOMPARE(Widgets(w).lblSetupFilename->text(), QString());
    QTest::mouseClick(Widgets(w).cmdFunction, Qt::LeftButton);
    QCOMPARE(w.setup().blnEncrypt, true);
    QCOMPARE(Widgets(w).lblFunction->text(), QStringLiteral("Encryption"));
    QCOMPARE(Caption(Widgets(w).cmdKeyFrom), QStringLiteral("Encryption key"));
}

void tst_frmmain::clickGuardSwallowsReleasesForOneSecond()
{
    frmMain& w = *m_window;
    QSignalSpy help(&w, &frmMain::helpRequested);
    w.SetClickGuard(); // as when a file dialog has just closed
    QTest::mouseClick(Widgets(w).cmdFunction, Qt::LeftButton);
    QTest::mouseClick(Widgets(w).cmdSubdirectories, Qt::LeftButton);
    QTest::mouseClick(Widgets(w).cmdDoIt, Qt::RightButton);
    QCOMPARE(w.setup().blnEncrypt, true);
    QCOMPARE(w.setup().blnSubdirectories, false);
    QCOMPARE(help.count(), 0);
    QTest::mouseClick(Widgets(w).cmdQuit, Qt::RightButton); // Quit is never guarded
    QCOMPARE(help.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!w.ClickGuard(), 3000);
    QVERIFY(!Widgets(w).Clock2->isActive());
    QTest::mouseClick(Widgets(w).cmdFunction, Qt::LeftButton);
    QCOMPARE(w.setup().blnEncrypt, false);
}

void tst_frmmain::helpHeadings_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("heading");
    const QPair<const char*, int> rows[] = {
        {"Function", 1},      {"Single file", 2},    {"Input folder", 3},
        {"Input file(s)", 3}, {"Subfolders?", 4},    {"Output file(s) same?", 5},
        {"Output folder", 6}, {"Output file(s)", 6}, {"Encryption key", 7},
        {"Do it!", 8},        {"Report screen", 9},  {"Randomness report", 10},
        {"Setup", 11},        {"Help", 13},          {"Quit", 14}};
    for (const auto& row : rows)
        QTest::newRow(row.first) << row.first << row.second;
}

void tst_frmmain::helpHeadings()
{
    QFETCH(QString, caption);
    QFETCH(int, heading);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->ClickGuard(), 3000);
    QPushButton* button = nullptr;
    // The command buttons, not the choices of a panel with the same caption.
    for (QFrame* frame : {Widgets(*m_window).fraMenu, Widgets(*m_window).fraSetup})
        for (QPushButton* candidate : frame->findChildren<QPushButton*>())
            if (Caption(candidate) == caption)
                button = candidate;
    QVERIFY(button);
    QSignalSpy help(m_window, &frmMain::helpRequested);
    const KeptSetup before = m_window->setup().Keep();
    QTest::mouseClick(button, Qt::RightButton);
    QTest::keyRelease(button, Qt::Key_F1);
    QCOMPARE(help.count(), 2);
    QCOMPARE(help.at(0).at(0).toInt(), heading);
    QCOMPARE(help.at(1).at(0).toInt(), heading);
    QCOMPARE(m_window->setup().Keep(), before); // help only, the command does not run
    QVERIFY(m_window->isVisible());
}

void tst_frmmain::subfoldersForceOutputSame()
{
    frmMain& w = *m_window;
    QTest::mouseClick(Widgets(w).cmdSubdirectories, Qt::LeftButton);
    QCOMPARE(w.setup().blnSubdirectories, true);
    QCOMPARE(Widgets(w).lblSubdirectories->text(), QStringLiteral("Yes"));
    QCOMPARE(Widgets(w).lblSubdirectories2->text(),
             QStringLiteral("(Operate on all specified files in lower subfolders.)"));
    QCOMPARE(w.setup().blnOutputFilesSame, true);
    QCOMPARE(Widgets(w).lblOutputFilesSame2->text(),
             QStringLiteral("(The output files are the same as the input files.)"));
    QTest::mouseClick(Widgets(w).cmdSubdirectories, Qt::LeftButton);
    QCOMPARE(Widgets(w).lblSubdirectories2->text(),
             QStringLiteral("(Do not operate on files in lower subfolders.)"));
    QCOMPARE(w.setup().blnOutputFilesSame, true); // switching subfolders off leaves it
}

void tst_frmmain::subfoldersOfAFolderWithoutAny()
{
    QTemporaryDir dir;
    frmMain& w = *m_window;
    w.editor().UseSides({dir.path() + '/', w.setup().strDirpath[1]}, w.setup().strFilespec);
    QTest::mouseClick(Widgets(w).cmdSubdirectories, Qt::LeftButton);
    QCOMPARE(w.setup().blnSubdirectories, false);
    QCOMPARE(Widgets(w).lblSubdirectories->text(), QStringLiteral("No"));
    QCOMPARE(Widgets(w).lblSubdirectories2->text(),
             QStringLiteral("(The input folder has no subfolders.)"));

    w.editor().UseSides({dir.path() + "/gone/", dir.path() + "/gone/"}, {"*.txt", "*.txt"});
    QTest::mouseClick(Widgets(w).cmdSubdirectories, Qt::LeftButton);
    QCOMPARE(m_interaction->shown.value(0),
             "Error: Error when attempting to access " + dir.path() + "/gone/.");
    QCOMPARE(w.setup().strDirpath[0], QString());
    QCOMPARE(w.setup().strFilespec[1], QString());
    QCOMPARE(Widgets(w).lblDirectory[1]->text(), Language::Text(7));
}

void tst_frmmain::quitWipesTheKeyAndReleasesTheBuffers()
{
    frmMain& w = *m_window;
    SecretBytes& key = w.key().strKey;
    key = QByteArrayView("TYPED KEY TEXT, SIXTY-FOUR CHARACTERS LONG ONCE IT IS EXTENDED..");
    w.key().strKeyfilePath = "/home/me/keyfile";
    const char* keyChars = key.constData();
    QTest::mouseClick(Widgets(w).cmdQuit, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(key, QByteArray(64, '\0'));
    QCOMPARE(key.constData(), keyChars);
    QCOMPARE(w.key().strKeyfilePath, QString(16, QChar(0)));
    QCOMPARE(m_engine->encrypt_file("/dev/null", "/tmp/x"), EngineResult::NotAllocated);
}

void tst_frmmain::keyPanelLayout_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<int>("buttons");
    QTest::newRow("encryption") << true << 6;
    QTest::newRow("decryption") << false << 5;
}

void tst_frmmain::keyPanelLayout()
{
    QFETCH(bool, encrypt);
    QFETCH(int, buttons);
    frmMain& w = *m_window;
    if (!encrypt)
        QTest::mouseClick(Widgets(w).cmdFunction, Qt::LeftButton);
    Widgets(w).lblKeyFrom->setText("the key line before");
    QTest::mouseClick(Widgets(w).cmdKeyFrom, Qt::LeftButton);
    QVERIFY(Widgets(w).picKeyFrom->isVisible());
    QVERIFY(!Widgets(w).fraMenu->isEnabled() && !Widgets(w).fraSetup->isEnabled());
    QCOMPARE(Widgets(w).lblKeyFrom->text(), QString());
    QCOMPARE(Widgets(w).picKeyFrom->cmdKeyFile[1]->isVisible(), encrypt);
    // Each button one button-height below the last, nothing left over.
    const int h = Widgets(w).picKeyFrom->cmdKeyboardWithDisplay->height();
    QCOMPARE(Widgets(w).picKeyFrom->cmdDontSpecifyKeyNow->y() -
                 Widgets(w).picKeyFrom->cmdKeyboardWithDisplay->y(),
             (buttons - 1) * h);
    QVERIFY(Widgets(w).picKeyFrom->geometry().bottom() < w.height());
    QCOMPARE(LinesCutBy(*Widgets(w).picKeyFrom), QStringList());
    QTest::mouseClick(Widgets(w).picKeyFrom->cmdDontSpecifyKeyNow, Qt::LeftButton);
    QVERIFY(!Widgets(w).picKeyFrom->isVisible());
    QVERIFY(Widgets(w).fraMenu->isEnabled() && Widgets(w).fraSetup->isEnabled());
    QCOMPARE(Widgets(w).lblKeyFrom->text(), QStringLiteral("the key line before"));
}

void tst_frmmain::keyPanelChoices()
{
    frmMain& w = *m_window;
    m_keyDialogs.typedText = "abc";
    m_keyDialogs.typedText = "abcd efgh ijkl mnop";
    QTest::mouseClick(Widgets(w).cmdKeyFrom, Qt::LeftButton);
    QTest::mouseClick(Widgets(w).picKeyFrom->cmdKeyboardWithDisplay, Qt::LeftButton);
    QCOMPARE(w.key().strKey, QByteArray("ABCDEFGHIJKLMNOP"));
    QCOMPARE(
        Widgets(w).lblKeyFrom->text(),
        QStringLiteral("Specified (keyboard entry, checksum = %1)").arg(w.key().intKeyChecksum));

    // A cancelled typing leaves the key and its line as they were.
    const QString line = Widgets(w).lblKeyFrom->text();
    m_keyDialogs.outcome = KeyDialogs::Outcome::Cancel;
    QTest::mouseClick(Widgets(w).cmdKeyFrom, Qt::LeftButton);
    QTest::mouseClick(Widgets(w).picKeyFrom->cmdKeyboardWithoutDisplay, Qt::LeftButton);
    QCOMPARE(Widgets(w).lblKeyFrom->text(), line);
    QCOMPARE(w.key().intKeySource, 0);

    QTest::mouseClick(Widgets(w).cmdKeyFrom, Qt::LeftButton);
    QTest::mouseClick(Widgets(w).picKeyFrom->cmdEraseKey, Qt::LeftButton);
    QCOMPARE(w.key().intKeySource, -1);
    QCOMPARE(w.key().strKey, QByteArray(16, '\0'));
    QCOMPARE(Widgets(w).lblKeyFrom->text(), Language::Text(7));
}

// Setup > Save setup > Save setup for next run, then a new start of the program: the saved
// setup is in force, shown and kept; and Load setup through the file picker brings another.
void tst_frmmain::setupSavedForNextRunComesBack()
{
    const QString folder = m_config.path() + '/';
    m_window->editor().UseSides({folder, folder}, {"*.txt", "*.enc"});
    m_window->editor().SetSwitches(false, false, false);
    QTest::mouseClick(Widgets(*m_window).cmdSetup, Qt::LeftButton);
    QVERIFY(m_window->setupMenu().cmdSaveSetup->isVisible());
    QTest::mouseClick(m_window->setupMenu().cmdSaveSetup, Qt::LeftButton);
    QTest::mouseClick(m_window->setupMenu().cmdSaveSetupForNextRun, Qt::LeftButton);
    QVERIFY(!m_window->setupMenu().picSaveSetup->isVisible() &&
            Widgets(*m_window).fraMenu->isEnabled());
    const QString saved = m_window->setup().strDefaultOperationFile;
    QVERIFY(QFileInfo::exists(saved));
    cleanup();
    init();
    const KeptSetup expected{false, false, false, false, {folder, folder}, {"*.txt", "*.enc"}};
    QCOMPARE(m_window->setup().Keep(), expected);
    QCOMPARE(m_window->keptSetup(), expected);
    QCOMPARE(Widgets(*m_window).lblFunction->text(), QStringLiteral("Decryption"));
    QCOMPARE(Widgets(*m_window).lblFiles[1]->text(), QStringLiteral("*.enc"));

    m_window->editor().ClearSetup();
    FileDialog::setNextFileName(saved);
    QTest::qWait(1100); // the click guard of the start-up
    QTest::mouseClick(Widgets(*m_window).cmdSetup, Qt::LeftButton);
    QTest::mouseClick(m_window->setupMenu().cmdLoadSetup, Qt::LeftButton);
    QCOMPARE(m_window->setup().Keep(), expected);
    QCOMPARE(Widgets(*m_window).lblSetupFilename->text(), saved);
    QVERIFY(Widgets(*m_window).lblSetupFilename->isVisible());

    // "Repairable files" changes the setup: the menu closes and the file's name goes.
    QTest::qWait(1100); // the click guard of the file dialog
    QTest::mouseClick(Widgets(*m_window).cmdSetup, Qt::LeftButton);
    QTest::mouseClick(m_window->setupMenu().cmdRepairable, Qt::LeftButton);
    QVERIFY(m_window->setup().blnRepairable && Widgets(*m_window).fraMenu->isEnabled());
    QCOMPARE(Widgets(*m_window).lblSetupFilename->text(), QString());
    QFile::remove(saved);
}

// The comment after a file name starts after the name as drawn, and stays whole in the window:
// a name too long for both loses its middle, and its tool tip keeps it whole.
void tst_frmmain::fileCommentFollowsTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shortened");
    QTest::newRow("wide") << QStringLiteral("WWWWWWWWWWWWWWWWWWWW.txt") << false;
    QTest::newRow("long") << QString(120, QLatin1Char('n')) + QStringLiteral(".txt") << true;
}

void tst_frmmain::fileCommentFollowsTheName()
{
    QFETCH(QString, name);
    QFETCH(bool, shortened);
    frmMain& w = *m_window;
    w.editor().UseSides({m_config.path() + '/', w.setup().strDirpath[1]},
                        {name, w.setup().strFilespec[1]});
    w.RefreshSide(0);
    const QLabel* shown = Widgets(w).lblFiles[0];
    const QLabel* comment = Widgets(w).lblFiles2[0];
    QCOMPARE(comment->text(), QStringLiteral("(File not found.)"));
    QCOMPARE(shown->text() != name, shortened);
    QCOMPARE(shown->toolTip(), shortened ? name : QString());
    const int nameRight = shown->x() + shown->fontMetrics().horizontalAdvance(shown->text());
    QVERIFY2(comment->x() > nameRight, qPrintable(QString::number(comment->x() - nameRight)));
    const int commentRight =
        comment->x() + comment->fontMetrics().horizontalAdvance(comment->text());
    QVERIFY(commentRight <= comment->geometry().right() + 1);
    QVERIFY(comment->geometry().right() < w.width());
}

void tst_frmmain::enterAndEscape_data()
{
    QTest::addColumn<int>("enter");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

// Enter presses the focused button, on the window and on its panels; Escape closes a panel as
// its Cancel or Not now does.
void tst_frmmain::enterAndEscape()
{
    QFETCH(int, enter);
    const auto key = Qt::Key(enter);
    frmMain& w = *m_window;
    const SetupMenu& menu = w.setupMenu();
    QTRY_VERIFY_WITH_TIMEOUT(!w.ClickGuard(), 3000);
    Widgets(w).cmdFunction->setFocus();
    QTest::keyClick(Widgets(w).cmdFunction, key);
    QCOMPARE(w.setup().blnEncrypt, false);

    Widgets(w).lblKeyFrom->setText("the key line before");
    QTest::keyClick(Widgets(w).cmdKeyFrom, key);
    QVERIFY(Widgets(w).picKeyFrom->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!Widgets(w).picKeyFrom->isVisible() && Widgets(w).fraMenu->isEnabled());
    QCOMPARE(Widgets(w).lblKeyFrom->text(), QStringLiteral("the key line before"));

    // The Setup menu opens on "Save setup", whose Enter opens the save panel.
    QTest::keyClick(Widgets(w).cmdSetup, key);
    QVERIFY(menu.cmdSaveSetup->hasFocus());
    VerifyHidesNothing(w, *menu.fraSetupMenu);
    QTest::keyClick(menu.cmdSaveSetup, key);
    QVERIFY(menu.picSaveSetup->isVisible() && !menu.fraSetupMenu->isVisible());
    VerifyHidesNothing(w, *menu.picSaveSetup);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!menu.picSaveSetup->isVisible() && Widgets(w).fraSetup->isEnabled());
    QTest::keyClick(Widgets(w).cmdSetup, key);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!menu.fraSetupMenu->isVisible() && Widgets(w).fraMenu->isEnabled());
}

void tst_frmmain::everyCommandHasItsOwnAltLetter()
{
    frmMain& w = *m_window;
    QTRY_VERIFY_WITH_TIMEOUT(!w.ClickGuard(), 3000);
    QSet<QString> letters;
    int commands = 0;
    for (QFrame* frame : {Widgets(w).fraMenu, Widgets(w).fraSetup}) {
        for (QPushButton* button : frame->findChildren<QPushButton*>()) {
            const QString letter = QKeySequence::mnemonic(button->text()).toString();
            QVERIFY2(!letter.isEmpty(), qPrintable(Caption(button)));
            letters.insert(letter);
            ++commands;
        }
    }
    QCOMPARE(commands, 15);
    QCOMPARE(letters.size(), 15);

    // Alt+letter performs the command and takes the focus to it, as a click does; the key
    // button keeps its letter for decryption.
    const QKeySequence keyLetter = QKeySequence::mnemonic(Widgets(w).cmdKeyFrom->text());
    Widgets(w).cmdSubdirectories->setFocus();
    QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(w.setup().blnEncrypt, false);
    QVERIFY(Widgets(w).cmdFunction->hasFocus());
    const bool subfolders = w.setup().blnSubdirectories;
    QTest::keyClick(&w, Qt::Key_B, Qt::AltModifier);
    QTRY_COMPARE(w.setup().blnSubdirectories, !subfolders);
    QVERIFY(Widgets(w).cmdSubdirectories->hasFocus());
    QCOMPARE(Caption(Widgets(w).cmdKeyFrom), QStringLiteral("Decryption key"));
    QCOMPARE(QKeySequence::mnemonic(Widgets(w).cmdKeyFrom->text()), keyLetter);
    QTest::keyClick(&w, Qt::Key(keyLetter[0].key()), Qt::AltModifier);
    QTRY_VERIFY(Widgets(w).picKeyFrom->isVisible());
}

void tst_frmmain::documentationLinkByKeyboard()
{
    frmMain& w = *m_window;
    QSignalSpy documentation(&w, &frmMain::documentationRequested);
    Widgets(w).cmdFunction->setFocus();
    for (int i = 0; i < 20 && !Widgets(w).lblOnlineDocumentation->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(Widgets(w).lblOnlineDocumentation->hasFocus());
    QTest::keyClick(Widgets(w).lblOnlineDocumentation, Qt::Key_Space);
    QTest::keyClick(Widgets(w).lblOnlineDocumentation, Qt::Key_Return);
    QCOMPARE(documentation.count(), 2);
}

namespace {

QPalette DarkPalette(const QColor& link)
{
    QPalette dark(QColor(56, 59, 64), QColor(44, 46, 50)); // button, window
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(226, 228, 230));
    dark.setColor(QPalette::Base, QColor(30, 32, 35));
    dark.setColor(QPalette::Link, link);
    return dark;
}

} // namespace

void tst_frmmain::linkStandsOutUnderAnyPalette_data()
{
    QTest::addColumn<QPalette>("palette");
    QPalette pale;
    pale.setColor(QPalette::Link, QColor(160, 200, 255));
    QTest::newRow("light") << QPalette();
    QTest::newRow("light, pale link") << pale;
    QTest::newRow("dark, own link") << DarkPalette(QColor(104, 168, 240));
    QTest::newRow("dark, the light palette's link") << DarkPalette(QColor(0, 0, 255));
}

// The link's strongest pixel, its underline, stands out from the window as text must, in the
// link's own hue: made lighter or darker, never white or black.
void tst_frmmain::linkStandsOutUnderAnyPalette()
{
    QFETCH(QPalette, palette);
    const QPalette before = QApplication::palette();
    QApplication::setPalette(palette);
    QCoreApplication::processEvents(); // the palette reaches the widgets through events
    const QLabel* link = Widgets(*m_window).lblOnlineDocumentation;
    const QImage shown =
        m_window->grab(QRect(link->mapTo(m_window, QPoint()), link->size())).toImage();
    QApplication::setPalette(before);
    double strongest = 1;
    QColor underline;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const double contrast =
                ReadableColour::Contrast(shown.pixelColor(x, y), palette.color(QPalette::Window));
            if (contrast > strongest) {
                strongest = contrast;
                underline = shown.pixelColor(x, y);
            }
        }
    }
    QVERIFY2(strongest >= 4.5, qPrintable(QString::number(strongest)));
    const QColor wanted = palette.color(QPalette::Link).toHsl();
    QVERIFY2(underline.hslSaturation() > 100 && qAbs(underline.hslHue() - wanted.hslHue()) < 10,
             qPrintable(underline.name()));
}

namespace {

// The strongest contrast between a pixel of `widget` as drawn and the window's background.
double StrongestContrast(QWidget& widget, const QColor& window)
{
    const QImage shown = widget.grab().toImage();
    double strongest = 1;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            strongest = qMax(strongest, ReadableColour::Contrast(shown.pixelColor(x, y), window));
    return strongest;
}

} // namespace

// The ring of an unselected radio button, and the focus ring of a button reached with Tab,
// stand out from the window at 3:1 (neither has a caption, so nothing else is drawn strong).
void tst_frmmain::controlsStandOutUnderAnyPalette()
{
    QFETCH(QPalette, palette);
    QWidget window;
    window.setPalette(palette);
    auto* radio = new QRadioButton(&window);
    auto* first = new QPushButton(QStringLiteral("x"), &window);
    auto* button = new QPushButton(&window);
    radio->setGeometry(10, 10, 24, 24);
    first->setGeometry(10, 40, 80, 30);
    button->setGeometry(10, 80, 80, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QColor background = palette.color(QPalette::Window);
    const double ring = StrongestContrast(*radio, background);
    QVERIFY2(ring >= ReadableStyle::ControlContrast, qPrintable(QString::number(ring)));
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    QVERIFY(button->hasFocus());
    const double focus = StrongestContrast(*button, background);
    QVERIFY2(focus >= ReadableStyle::ControlContrast, qPrintable(QString::number(focus)));
}

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
