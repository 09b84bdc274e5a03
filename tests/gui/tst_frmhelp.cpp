#include "Caption.h"
#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "WhenShown.h"
#include "core/Setup.h"
#include "gui/HelpCommands.h"
#include "gui/Twips.h"
#include "gui/frmCredits.h"
#include "gui/frmHelp.h"
#include "gui/frmMain.h"
#include "storage/FileCipher.h"
#include "support/HelpText.h"
#include "support/Language.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

// The help window as the main window opens it: at a command's section or at the top, its
// minimum size, the credits, and the online documentation with its failures.
class tst_frmhelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensAtTheCommandsSection_data();
    void opensAtTheCommandsSection();
    void everySectionOpensAtItsHeading();
    void snapsToTheMinimumSize_data();
    void snapsToTheMinimumSize();
    void authorShowsTheVersion();
    void documentationFromTheMainWindow_data();
    void documentationFromTheMainWindow();
    void webLinkFailures_data();
    void webLinkFailures();

private:
    // The text of the line at the top of the help text box.
    QString TopLine() const;

    QTemporaryDir m_dir;
    FileCipher* m_engine = nullptr;
    ScriptedInteraction* m_interaction = nullptr;
    frmMain* m_window = nullptr;
    HelpCommands* m_help = nullptr;
    QList<QUrl> m_opened;
    bool m_openResult = false;
};

void tst_frmhelp::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
}

void tst_frmhelp::init()
{
    m_engine = new FileCipher;
    m_interaction = new ScriptedInteraction;
    m_window = new frmMain(*m_engine, *m_interaction);
    m_opened.clear();
    m_help =
        new HelpCommands(*m_window, m_window->report(), *m_interaction, [this](const QUrl& url) {
            m_opened.append(url);
            return m_openResult;
        });
    m_window->SetHelp(*m_help);
    QVERIFY(m_window->StartUp());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_frmhelp::cleanup()
{
    delete m_window; // and with it the help commands and the help window
    delete m_interaction;
    delete m_engine;
}

QString tst_frmhelp::TopLine() const
{
    const QTextEdit* text = m_help->help().txbText;
    const int margin = int(text->document()->documentMargin());
    return text->cursorForPosition(QPoint(margin + 2, margin + 2)).block().text();
}

void tst_frmhelp::opensAtTheCommandsSection_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("heading");
    QTest::newRow("right button on Output folder") << "Output folder" << int(Qt::RightButton) << 6;
    QTest::newRow("Help") << "Help" << int(Qt::LeftButton) << 0;
    QTest::newRow("F1 with no command in focus") << QString() << int(Qt::Key_F1) << 0;
}

void tst_frmhelp::opensAtTheCommandsSection()
{
    QFETCH(QString, caption);
    QFETCH(int, key);
    QFETCH(int, heading);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->ClickGuard(), 3000);
    if (caption.isEmpty()) {
        m_window->setFocus();
        QTest::keyRelease(m_window, Qt::Key(key));
    } else {
        QPushButton* button = nullptr;
        for (QPushButton* candidate : m_window->findChildren<QPushButton*>())
            if (Caption(candidate) == caption)
                button = candidate;
        QVERIFY(button);
        QTest::mouseClick(button, Qt::MouseButton(key));
    }

    frmHelp& help = m_help->help();
    QVERIFY(help.isVisible());
    QCOMPARE(help.windowTitle(), QStringLiteral("Help for Revarodevaza ZR7"));
    QCOMPARE(help.intStartHeading, heading);
    const QTextCursor cursor = help.txbText->textCursor();
    if (heading == 0) {
        QCOMPARE(cursor.position(), 0);
        QVERIFY(!cursor.hasSelection());
        QCOMPARE(help.txbText->verticalScrollBar()->value(), 0);
        QVERIFY(TopLine().startsWith(QLatin1String("This help screen can be resized")));
    } else {
        QCOMPARE(TopLine(), HelpText::Heading(heading));
        QVERIFY(cursor.selectedText().startsWith(HelpText::Heading(heading)));
    }
}

// Every heading is in the shipped text, on a line of its own, and each section can be opened
// with its heading at the top. Section 12 continues the Setup button's section and opens with
// nothing selected.
void tst_frmhelp::everySectionOpensAtItsHeading()
{
    frmHelp& help = m_help->help();
    for (int heading = 1; heading <= HelpText::HeadingCount; ++heading) {
        help.Open(heading);
        QCOMPARE(TopLine(), HelpText::Heading(heading));
        const QTextCursor cursor = help.txbText->textCursor();
        const QTextBlock start = help.txbText->document()->findBlock(cursor.selectionStart());
        QCOMPARE(start.text(), HelpText::Heading(heading));
        QCOMPARE(cursor.selectionStart(), start.position());
        QCOMPARE(cursor.hasSelection(), heading != 12);
        // A selection never reaches into the next section.
        if (heading < HelpText::HeadingCount)
            QVERIFY(!cursor.selectedText().contains(HelpText::Heading(heading + 1)));
    }
}

void tst_frmhelp::snapsToTheMinimumSize_data()
{
    const int minimum = Twips::ToPixels(4000);
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("narrow and tall") << QSize(minimum - 1, 3 * minimum) << QSize(minimum, minimum);
    QTest::newRow("wide and low") << QSize(3 * minimum, minimum - 1) << QSize(minimum, minimum);
    QTest::newRow("large enough") << QSize(minimum + 100, minimum) << QSize(minimum + 100, minimum);
}

void tst_frmhelp::snapsToTheMinimumSize()
{
    QFETCH(QSize, size);
    QFETCH(QSize, expected);
    frmHelp& help = m_help->help();
    help.Open(0);
    help.resize(size);
    QTRY_COMPARE(help.size(), expected);
    // Nothing is cut off at the minimum: the text and both buttons lie inside the window.
    for (const QWidget* part :
         {static_cast<QWidget*>(help.txbText), static_cast<QWidget*>(help.cmdClose),
          static_cast<QWidget*>(help.cmdCredit)})
        QVERIFY2(help.rect().contains(part->geometry()), qPrintable(part->objectName()));
}

void tst_frmhelp::authorShowsTheVersion()
{
    frmHelp& help = m_help->help();
    help.Open(13);
    frmCredits& credits = help.credits();
    WhenShown(&credits, [&credits] {
        QCOMPARE(credits.lblProgramName->text(), Language::Text(1));
        QCOMPARE(credits.lblVersion->text(), QStringLiteral("Version ") + VersionText());
        QTest::mouseClick(credits.cmdClose, Qt::LeftButton);
    });
    // Enter on a focused button clicks it, as Space does.
    help.cmdCredit->setFocus();
    QTest::keyClick(help.cmdCredit, Qt::Key_Return);
    QVERIFY(!credits.isVisible());
    QVERIFY(help.isVisible());
    help.cmdClose->setFocus();
    QTest::keyClick(help.cmdClose, Qt::Key_Enter);
    QVERIFY(help.isHidden());
}

void tst_frmhelp::documentationFromTheMainWindow_data()
{
    QTest::addColumn<bool>("localGuide");
    QTest::newRow("online manual") << false;
    QTest::newRow("guide beside the program") << true;
}

// The guide's web page first, the online manual when it does not open; the warning, about the
// online manual, only when neither opens.
void tst_frmhelp::documentationFromTheMainWindow()
{
    QFETCH(bool, localGuide);
    const QString guide =
        QCoreApplication::applicationDirPath() + QStringLiteral("/user-guide.html");
    const auto removeGuide = qScopeGuard([&] {
        if (localGuide)
            QFile::remove(guide);
    });
    if (localGuide) {
        QFile file(guide);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (HelpCommands::DocumentationAddresses().size() > 1) {
        QSKIP("A user guide is installed with the program.");
    }
    const QString online = Language::Text(26);
    QList<QUrl> tried{QUrl(online)};
    if (localGuide)
        tried.prepend(QUrl::fromLocalFile(guide));
    QCOMPARE(Widgets(*m_window).lblOnlineDocumentation->toolTip(),
             QStringLiteral("Click here for the online manual at ") + online);

    m_openResult = false;
    QTest::mouseClick(Widgets(*m_window).lblOnlineDocumentation, Qt::LeftButton);
    QCOMPARE(m_opened, tried);
    QCOMPARE(m_interaction->shown,
             QStringList{QStringLiteral("Cannot launch web browser: Error launching web browser, "
                                        "error code = 31.\n\nFile extension '.html' is not "
                                        "associated with any application program.")});
    QCOMPARE(m_interaction->icons, QList<Interaction::Icon>{Interaction::Icon::Exclamation});

    m_openResult = true;
    QTest::mouseClick(Widgets(*m_window).lblOnlineDocumentation, Qt::LeftButton);
    QCOMPARE(m_opened.mid(tried.size()), QList<QUrl>{tried.first()});
    QCOMPARE(m_interaction->shown.size(), 1); // opened: nothing more to say
}

void tst_frmhelp::webLinkFailures_data()
{
    const QString dir = m_dir.path();
    QFile plain(dir + QStringLiteral("/plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("local");
    QTest::addColumn<QString>("message");
    QTest::newRow("no program for the address")
        << "https://docs.example/manual.XYZ" << false
        << "Error launching web browser, error code = 31.\n\n"
           "File extension '.xyz' is not associated with any application program.";
    QTest::newRow("no dot in the last element")
        << "https://docs.example/v1.2/manual" << false
        << "Error launching web browser, error code = 31.\n\n"
           "File extension '' is not associated with any application program.";
    QTest::newRow("local document gone")
        << dir + "/gone.md" << true
        << "Error launching web browser, error code = 2.\n\nPlease try once more.";
    QTest::newRow("a file on the way")
        << dir + "/plain.txt/guide.md" << true << "Error launching web browser, error code = 3.";
}

void tst_frmhelp::webLinkFailures()
{
    QFETCH(QString, address);
    QFETCH(bool, local);
    QFETCH(QString, message);
    QList<QUrl> opened;
    DocumentLauncher link(*m_interaction, [&opened](const QUrl& url) {
        opened.append(url);
        return false;
    });
    QVERIFY(!link.Open(address));
    QCOMPARE(m_interaction->shown,
             QStringList{QStringLiteral("Cannot launch web browser: ") + message});
    // A local document that cannot be read is never handed on.
    QCOMPARE(opened.isEmpty(), local);
}

QTEST_MAIN(tst_frmhelp)
#include "tst_frmhelp.moc"
