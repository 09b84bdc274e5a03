#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "SecretTraces.h"
#include "TestFiles.h"
#include "WhenShown.h"
#include "core/BatchDriver.h"
#include "engine/RandomKey.h"
#include "engine/StreamFormat.h"
#include "gui/BatchEndNotice.h"
#include "gui/DBusNotice.h"
#include "gui/DoItCommand.h"
#include "gui/GuiKeyDialogs.h"
#include "gui/KeyFromPanel.h"
#include "gui/Twips.h"
#include "gui/frmConfirmOperation.h"
#include "gui/frmKeyboardWithDisplay.h"
#include "gui/frmMain.h"
#include "gui/frmReport.h"
#include "keys/ZR7KeyFrom.h"
#include "storage/FileCipher.h"
#include "support/Language.h"
#include "support/ProcessHardening.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtDBus>

#include <optional>

struct RecordedNotices : BatchEndNotice
{
    void Send(const QString& s, const QString& b) override { sent.append(s + " | " + b); }
    QStringList sent;
};

// The desktop's notification service, as the test serves it on a bus of its own.
struct NotificationServer : QDBusVirtualObject
{
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection&) override
    {
        received = call;
        return true;
    }
    QDBusMessage received;
};

// "Do it!" on the main window: the confirmation window, the batch in the report window, and
// the main window's commands held back while it runs.
class tst_doit : public QObject
{
    Q_OBJECT

public:
    // As the program starts: freed blocks are wiped from the first.
    static void initMain() { ProcessHardening::WipeFreedMemory(); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void confirmation_data();
    void confirmation();
    void confirmationShowsTheWholeDescription();
    void refusalTouchesNothing();
    void closingDuringTheBatchEndsItThenCloses();
    void typedKeyLeavesNoCopy_data();
    void typedKeyLeavesNoCopy();
    void longBatchEndIsAnnounced_data();
    void longBatchEndIsAnnounced();
    void noticeOnTheSessionBus();

private:
    void ClickDoIt();

    QTemporaryDir m_config;
    QTemporaryDir* m_dir = nullptr;
    FileCipher* m_engine = nullptr;
    ScriptedInteraction* m_interaction = nullptr;
    frmMain* m_window = nullptr;
};

void tst_doit::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
}

void tst_doit::init()
{
    m_dir = new QTemporaryDir;
    m_engine = new FileCipher;
    m_interaction = new ScriptedInteraction;
    m_window = new frmMain(*m_engine, *m_interaction);
    QVERIFY(m_window->StartUp());
    m_engine->set_kdf_params({1, StreamFormat::MinMemLog});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    // A long folder name makes the description wrap over several lines.
    const QString folder = m_dir->path() + "/a folder with a rather long name to describe/";
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(m_dir->path() + "/out"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(TestFiles::write(folder + QStringLiteral("f%1.txt").arg(i), "plain text"));
    m_window->editor().UseSides({folder, m_dir->path() + "/out/"},
                                {QStringLiteral("*.*"), QStringLiteral("*.enc")});
    m_window->editor().SetSwitches(true, false, false);
    m_window->key().strKey = "ABCDEFGHIJKLMNOP";
    m_window->key().intKeySource = KeyRecord::Keyboard;
    // The click guard of the first second after start-up.
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->ClickGuard(), 3000);
}

void tst_doit::cleanup()
{
    delete m_window;
    delete m_interaction;
    delete m_engine;
    delete m_dir;
}

void tst_doit::ClickDoIt()
{
    QTest::mouseClick(Widgets(*m_window).cmdDoIt, Qt::LeftButton);
}

void tst_doit::confirmation_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes runs the batch") << true;
    QTest::newRow("No touches nothing") << false;
}

void tst_doit::confirmation()
{
    QFETCH(bool, yes);
    frmConfirmOperation::SetNextResult(yes);
    ClickDoIt();
    frmReport& report = m_window->report();
    const QStringList made = QDir(m_dir->path() + "/out").entryList(QDir::Files);
    QCOMPARE(made.size(), yes ? 3 : 0);
    QCOMPARE(report.isVisible(), yes);
    QCOMPARE(m_window->key().strKey, QByteArrayView("ABCDEFGHIJKLMNOP")); // as the user gave it
    if (yes) {
        QCOMPARE(report.windowTitle(), QStringLiteral("Encrypting *.*"));
        QVERIFY(
            report.txbText->toPlainText().contains(QStringLiteral("Number of files encrypted: 3")));
    }
    // The commands are back once the batch is over, the focus on "Do it!" for when the report
    // closes.
    QVERIFY(Widgets(*m_window).fraMenu->isEnabled());
    QTest::keyClick(&report, Qt::Key_Escape);
    QCOMPARE(m_window->focusWidget(), Widgets(*m_window).cmdDoIt);
    QVERIFY(m_interaction->shown.isEmpty());
}

void tst_doit::confirmationShowsTheWholeDescription()
{
    frmConfirmOperation* confirm = nullptr;
    QTimer::singleShot(0, this, [&] {
        confirm = m_window->findChild<frmConfirmOperation*>();
        QVERIFY(confirm);
        WhenShown(confirm, [&] {
            const QString text = confirm->lblDescr->text();
            QVERIFY(text.startsWith(QStringLiteral("Encrypting all files in the folder ")));
            QVERIFY(text.endsWith(QStringLiteral("(3 files) .  The output files are specified as "
                                                 "*.enc in the folder ") +
                                  m_dir->path() + "/out/"));
            QCOMPARE(confirm->lblPerformOperation->text(),
                     QStringLiteral("Perform this encryption operation?"));
            // Nothing is cut off: the wrapped text fits its label, and everything fits the
            // window.
            const QLabel* label = confirm->lblDescr;
            QVERIFY(label->height() >= label->heightForWidth(label->width()));
            const QList<QWidget*> children = {confirm->lblDescr, confirm->lblPerformOperation,
                                              confirm->cmdYes, confirm->cmdNo};
            for (const QWidget* child : children)
                QVERIFY(confirm->rect().contains(child->geometry()));
            QVERIFY(confirm->cmdYes->hasFocus());
            // The bottom of its frame 120 twips above that of the main window's frame.
            QCOMPARE(confirm->frameGeometry().bottom(),
                     m_window->frameGeometry().bottom() - Twips::ToPixels(120));
            QTest::mouseClick(confirm->cmdNo, Qt::LeftButton);
        });
    });
    // The window is made on the first confirmation; open one that the test answers No.
    frmConfirmOperation::SetNextResult(false);
    ClickDoIt();
    ClickDoIt();
    QVERIFY(confirm);
    QVERIFY(!confirm->blnDoIt);
    QVERIFY(QDir(m_dir->path() + "/out").isEmpty());
}

void tst_doit::refusalTouchesNothing()
{
    m_window->key().intKeySource = KeyRecord::NotSpecified;
    ClickDoIt();
    QCOMPARE(m_interaction->shown,
             QStringList{QStringLiteral(
                 "Encryption key not specified: Please specify the encryption key.")});
    QVERIFY(!m_window->report().isVisible());
    QVERIFY(QDir(m_dir->path() + "/out").isEmpty());
}

// Closing the main window while the batch runs (Quit cannot be pressed then) stops the batch at
// its next file; the window closes, as Quit closes it, once the batch has ended.
void tst_doit::closingDuringTheBatchEndsItThenCloses()
{
    BatchDriver& driver = m_window->driver();
    std::optional<bool> closeAccepted;
    bool openDuringTheBatch = false;
    bool quitDuringTheBatch = true;
    m_interaction->onProcessEvents = [&] {
        if (closeAccepted || !driver.running() || driver.measuring())
            return;
        quitDuringTheBatch = Widgets(*m_window).cmdQuit->isEnabled();
        closeAccepted = m_window->close();
        openDuringTheBatch = m_window->isVisible();
    };
    frmConfirmOperation::SetNextResult(true);
    ClickDoIt();
    QCOMPARE(closeAccepted, std::optional<bool>(false));
    QVERIFY(openDuringTheBatch);
    QVERIFY(!quitDuringTheBatch); // only closing the window asks for the stop
    QVERIFY(QDir(m_dir->path() + "/out").entryList(QDir::Files).size() < 3);
    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(m_engine->encrypt_file("/dev/null", "/tmp/x"), EngineResult::NotAllocated);
}

void tst_doit::typedKeyLeavesNoCopy_data()
{
    QTest::addColumn<int>("button"); // in the key window: 0 Yes, 2 Cancel
    QTest::addColumn<bool>("erase"); // "Erase key" after the batch
    QTest::newRow("typed key, batch") << 0 << false;
    QTest::newRow("key window cancelled") << 2 << false;
    QTest::newRow("typed key, batch, key erased") << 0 << true;
}

// Once the key is taken, the batch is over or the key is erased, the only copies of a typed key
// are those of the key record while it holds the key.
void tst_doit::typedKeyLeavesNoCopy()
{
    if (!SecretTracesMeaningful)
        QSKIP("A sanitizer keeps freed blocks as they were.");
    QFETCH(int, button);
    QFETCH(bool, erase);
    GuiKeyDialogs dialogs(*m_window, *m_interaction);
    m_window->SetKeyDialogs(&dialogs);
    // Lower case and blanks, so that the key as typed differs from the key; long, so that the
    // key box's text outgrows its blocks a few times.
    SecretBytes typed(60);
    for (qsizetype i = 0; i < typed.size(); ++i)
        typed[i] = "abcdefghijklmnopqrstuvwxyz "[RandomUniform(27)];
    frmKeyboardWithDisplay& window = dialogs.KeyboardWithDisplay();
    WhenShown(&window, [&] {
        QString text = QString::fromLatin1(typed.view());
        QTest::keyClicks(window.txbKey, text);
        text.fill(QChar(0));
        QTest::mouseClick(QList{window.cmdYes, window.cmdNo, window.cmdCancel}[button],
                          Qt::LeftButton);
    });
    QTest::mouseClick(Widgets(*m_window).cmdKeyFrom, Qt::LeftButton);
    QTest::mouseClick(Widgets(*m_window).picKeyFrom->cmdKeyboardWithDisplay, Qt::LeftButton);
    if (button == 0) {
        frmConfirmOperation::SetNextResult(true);
        ClickDoIt();
        QCOMPARE(QDir(m_dir->path() + "/out").entryList(QDir::Files).size(), 3);
    }
    if (erase) {
        QTest::mouseClick(Widgets(*m_window).cmdKeyFrom, Qt::LeftButton);
        QTest::mouseClick(Widgets(*m_window).picKeyFrom->cmdEraseKey, Qt::LeftButton);
    }
    m_window->SetKeyDialogs(nullptr);
    const SecretBytes key = ZR7KeyFrom::NormalizedKey(typed.view());
    const SecretBytes extended = ZR7KeyFrom::ExtendedKey(key.view());
    const KeyRecord& record = m_window->key();
    const QStringList traces = SecretTraces(
        {{"typed key", typed.view()}, {"key", key.view()}, {"extended key", extended.view()}},
        {record.strKey.view(), record.strRawKeyText.view()});
    QVERIFY2(traces.isEmpty(), qPrintable(traces.join(QStringLiteral("; "))));
}

void tst_doit::longBatchEndIsAnnounced_data()
{
    QTest::addColumn<bool>("encrypt"); // decrypting the three plain files fails
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("elsewhere"); // another program's window is active at the end
    QTest::addColumn<QString>("sent");
    QTest::newRow("long") << true << 10 << true
                          << "Revarodevaza ZR7 | Encryption finished: 3 files encrypted, 0 failed.";
    QTest::newRow("long, failed") << false << 60 << true
                                  << "Revarodevaza ZR7 | Decryption finished: 0 files decrypted, "
                                     "3 failed.";
    QTest::newRow("short") << true << 9 << true << QString();
    QTest::newRow("windows active") << true << 60 << false << QString();
}

void tst_doit::longBatchEndIsAnnounced()
{
    QFETCH(bool, encrypt);
    QFETCH(int, seconds);
    QFETCH(bool, elsewhere);
    RecordedNotices notices;
    m_window->doIt().SetBatchEndNotice(&notices);
    int clockReadings = 0;
    m_window->doIt().steadyMsecs = [&] { return clockReadings++ ? seconds * 1000 : 0; };
    QWidget otherProgram;
    otherProgram.show();
    m_interaction->onProcessEvents = [&] {
        if (elsewhere && !otherProgram.isActiveWindow()) {
            otherProgram.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&otherProgram));
        }
    };
    if (!encrypt)
        m_window->editor().ToggleFunction();
    frmConfirmOperation::SetNextResult(true);
    ClickDoIt();
    QTEST(notices.sent.join('\n'), "sent");
}

// Without the service, a notice is lost and nothing waits; with it, the service has the notice.
void tst_doit::noticeOnTheSessionBus()
{
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork"});
    if (!bus.waitForReadyRead(5000))
        QSKIP("No dbus-daemon to run a session bus (Debian package dbus-daemon)");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.revarodevaza.zr7e"));
    DBusNotice notice(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"));
    notice.Send("no service", "");
    NotificationServer server;
    QDBusConnection serving = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server");
    QVERIFY(serving.registerVirtualObject("/org/freedesktop/Notifications", &server));
    QVERIFY(serving.registerService("org.freedesktop.Notifications"));
    notice.Send("Revarodevaza ZR7", "Encryption finished");
    QTRY_COMPARE(server.received.signature(), "susssasa{sv}i");
    const QVariantList arguments = server.received.arguments();
    QCOMPARE(arguments.mid(2, 3),
             QVariantList({"zr7e", "Revarodevaza ZR7", "Encryption finished"}));
    QCOMPARE(qdbus_cast<QVariantMap>(arguments[6])["desktop-entry"], "org.revarodevaza.zr7e");
    bus.kill();
    bus.waitForFinished();
}

QTEST_MAIN(tst_doit)
#include "tst_doit.moc"
