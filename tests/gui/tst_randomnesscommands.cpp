#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "gui/RandomnessCommands.h"
#include "gui/SetupPanel.h"
#include "gui/Twips.h"
#include "gui/frmMain.h"
#include "gui/frmReport.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QFrame>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Where a window stands at the moment it is shown.
class ShownAt : public QObject
{
public:
    QPoint pos;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            pos = static_cast<QWidget*>(watched)->pos();
        return false;
    }
};

} // namespace

// The main window's "Randomness report" panel: which choices it offers, help on the right
// button, "Not now", and the message when neither side is specified; the report window it opens.
class tst_randomnesscommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void choices_data();
    void choices();
    void reportOpensUnderTheMainWindow();
};

void tst_randomnesscommands::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir::tempPath() + "/zr7-randomness-none"));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
}

void tst_randomnesscommands::choices_data()
{
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("output");
    QTest::newRow("output only") << false << true;
    QTest::newRow("both") << true << true;
    QTest::newRow("neither") << false << false;
}

void tst_randomnesscommands::choices()
{
    QFETCH(bool, input);
    QFETCH(bool, output);
    FileCipher engine;
    ScriptedInteraction interaction;
    frmMain w(engine, interaction);
    QVERIFY(w.StartUp());
    QTRY_VERIFY_WITH_TIMEOUT(!w.ClickGuard(), 3000);
    QTemporaryDir dir;
    w.editor().UseSides({input ? dir.path() + '/' : QString(), output ? dir.path() + '/' : ""},
                        {input ? "*.*" : "", output ? "*.enc" : ""});
    RandomnessCommands& commands = w.randomness();
    QTest::mouseClick(Widgets(w).cmdRandomnessReport, Qt::LeftButton);
    if (!input && !output) {
        QCOMPARE(interaction.shown,
                 QStringList{"Error: Neither input files nor output files are specified."});
        QVERIFY(commands.picRandomnessReport->isHidden());
        return;
    }
    QVERIFY(commands.picRandomnessReport->isVisible());
    QCOMPARE(LinesCutBy(*commands.picRandomnessReport), QStringList());
    QVERIFY(!Widgets(w).fraMenu->isEnabled() && !Widgets(w).fraSetup->isEnabled());
    QCOMPARE(commands.cmdInputFiles->isEnabled(), input);
    QVERIFY(commands.cmdOutputFiles->isEnabled());
    QSignalSpy help(&w, &frmMain::helpRequested);
    QTest::mouseClick(commands.cmdOutputFiles, Qt::RightButton);
    QCOMPARE(help.count(), 1);
    QCOMPARE(help.at(0).at(0).toInt(), 6);
    QVERIFY(commands.picRandomnessReport->isVisible());
    QTest::mouseClick(commands.cmdNoRandomnessReport, Qt::LeftButton);
    QVERIFY(commands.picRandomnessReport->isHidden());
    QVERIFY(Widgets(w).fraMenu->isEnabled() && Widgets(w).fraSetup->isEnabled());
    QVERIFY(interaction.shown.isEmpty());
}

// The first report after start-up is placed before it shows, 450 twips under the main window's
// top; closed, it hands the focus back to the command.
void tst_randomnesscommands::reportOpensUnderTheMainWindow()
{
    FileCipher engine;
    ScriptedInteraction interaction;
    frmMain w(engine, interaction);
    QVERIFY(w.StartUp());
    QTRY_VERIFY_WITH_TIMEOUT(!w.ClickGuard(), 3000);
    QTemporaryDir dir;
    QFile file(dir.filePath("a.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(600, 'x')) == 600);
    file.close();
    w.editor().UseSides({dir.path() + '/', QString()}, {"*.*", ""});
    frmReport& report = w.report();
    ShownAt shown;
    report.installEventFilter(&shown);
    QTest::keyClick(Widgets(w).cmdRandomnessReport, Qt::Key_Space);
    QTest::keyClick(w.randomness().cmdInputFiles, Qt::Key_Space);
    QVERIFY(report.isVisible());
    QCOMPARE(shown.pos, w.pos() + QPoint(0, Twips::ToPixels(450)));
    QTest::keyClick(&report, Qt::Key_Escape);
    QVERIFY(report.isHidden());
    QCOMPARE(w.focusWidget(), Widgets(w).cmdRandomnessReport);
}

QTEST_MAIN(tst_randomnesscommands)
#include "tst_randomnesscommands.moc"
