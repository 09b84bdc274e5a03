#include "CipherEngine.h"
#include "ScriptedInteraction.h"
#include "StreamFormat.h"
#include "TestFiles.h"
#include "WhenShown.h"
#include "gui/frmConfirmOperation.h"
#include "gui/frmMain.h"
#include "gui/frmReport.h"
#include "support/Language.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// "Do it!" on the main window: the confirmation window, the batch in the report window, and
// the main window's commands held back while it runs.
class tst_doit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void confirmation_data();
    void confirmation();
    void confirmationShowsTheWholeDescription();
    void refusalTouchesNothing();

private:
    void ClickDoIt();

    QTemporaryDir m_config;
    QTemporaryDir* m_dir = nullptr;
    CipherEngine* m_engine = nullptr;
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
    m_engine = new CipherEngine;
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
    Setup& setup = m_window->setup();
    setup.blnEncrypt = true;
    setup.blnSubdirectories = false;
    setup.blnOutputFilesSame = false;
    setup.strDirpath = {folder, m_dir->path() + "/out/"};
    setup.strFilespec = {QStringLiteral("*.*"), QStringLiteral("*.enc")};
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
    QTest::mouseClick(m_window->cmdDoIt, Qt::LeftButton);
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
    QCOMPARE(m_window->key().strKey.size(), yes ? 64 : 16);
    if (yes) {
        QCOMPARE(report.windowTitle(), QStringLiteral("Encrypting *.*"));
        QVERIFY(
            report.txbText->toPlainText().contains(QStringLiteral("Number of files encrypted: 3")));
    }
    // The commands are back once the batch is over.
    QVERIFY(m_window->fraMenu->isEnabled());
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

QTEST_MAIN(tst_doit)
#include "tst_doit.moc"
