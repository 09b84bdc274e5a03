#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "gui/FileCommands.h"
#include "gui/FileDialog.h"
#include "gui/FolderChooser.h"
#include "gui/frmMain.h"
#include "gui/frmSpecifyInputFiles.h"
#include "gui/frmSpecifyOutputFiles.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// The main window's file commands, driven through its buttons with the dialogs answered.
class tst_filecommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void singleFileSwitchesSubfoldersOff();
    void newInputFolderKeepsSpecAndFillsOutput();
    void allFilesSetsBothSides();
    void extensionChoices_data();
    void extensionChoices();
    void outputSameWithEmptyInputSide();
    void refusals();
    void drops();

private:
    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QString m_folder;
    FileCipher* m_engine = nullptr;
    ScriptedInteraction* m_interaction = nullptr;
    frmMain* m_window = nullptr;
};

void tst_filecommands::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
    m_folder = m_dir.path() + '/';
    QVERIFY(TestFiles::write(m_folder + "report.txt", "some text"));
    QVERIFY(QDir(m_folder).mkpath("sub/deeper"));
}

void tst_filecommands::init()
{
    m_engine = new FileCipher;
    m_interaction = new ScriptedInteraction;
    m_window = new frmMain(*m_engine, *m_interaction);
    QVERIFY(m_window->StartUp());
}

void tst_filecommands::cleanup()
{
    delete m_window;
    delete m_interaction;
    delete m_engine;
}

void tst_filecommands::singleFileSwitchesSubfoldersOff()
{
    frmMain& w = *m_window;
    QTest::mouseClick(Widgets(w).cmdSubdirectories, Qt::LeftButton);
    QVERIFY(w.setup().blnSubdirectories && w.setup().blnOutputFilesSame);
    FileDialog::setNextFileName(m_folder + "report.txt");
    QTest::mouseClick(Widgets(w).cmdSingleFile, Qt::LeftButton);
    QVERIFY(w.ClickGuard());
    QCOMPARE(w.setup().strDirpath[0], m_folder);
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("report.txt"));
    QCOMPARE(w.setup().strFilespec[1], QStringLiteral("report.txt")); // output same is on
    QCOMPARE(w.setup().strDirpath[1], m_folder);
    QVERIFY(!w.setup().blnSubdirectories);
    QCOMPARE(Widgets(w).lblSubdirectories2->text(),
             QStringLiteral("(Do not operate on files in lower subfolders.)"));
    QVERIFY(Widgets(w).lblFiles2[0]->text().startsWith("9 bytes"));
    QCOMPARE(Widgets(w).lblSingleFile->text(), QString());
}

void tst_filecommands::newInputFolderKeepsSpecAndFillsOutput()
{
    frmMain& w = *m_window;
    w.editor().UseSides(w.setup().strDirpath, {"*.txt", w.setup().strFilespec[1]});
    FileDialog::setNextDirectory(m_folder + "sub");
    QTest::mouseClick(Widgets(w).cmdSpecifyDirectory[0], Qt::LeftButton);
    QCOMPARE(w.setup().strDirpath[0], m_folder + "sub/");
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("*.txt"));
    QCOMPARE(w.setup().strDirpath[1], m_folder + "sub/");
    QVERIFY(!w.setup().blnSubdirectories);
    QCOMPARE(Widgets(w).lblDirectory[0]->text(), m_folder + "sub/");

    FileDialog::setNextDirectory(m_folder + "sub/deeper");
    QTest::mouseClick(Widgets(w).cmdSpecifyDirectory[0], Qt::LeftButton);
    QCOMPARE(w.setup().strDirpath[1], m_folder + "sub/"); // an output folder set stays
    QCOMPARE(Widgets(w).lblSubdirectories2->text(),
             QStringLiteral("(The input folder has no subfolders.)"));
}

void tst_filecommands::allFilesSetsBothSides()
{
    frmMain& w = *m_window;
    w.editor().UseSides({m_folder, m_folder + "sub/"}, w.setup().strFilespec);
    frmSpecifyInputFiles::SetNextResult({true, Choice::AllFiles, {}});
    QTest::mouseClick(Widgets(w).cmdSpecifyFiles[0], Qt::LeftButton);
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("*.*"));
    QCOMPARE(w.setup().strFilespec[1], QStringLiteral("*.*"));
    QCOMPARE(Widgets(w).lblFiles2[0]->text(), QStringLiteral("(All files.)"));
    QVERIFY(!w.setup().blnOutputFilesSame); // the folders differ
}

void tst_filecommands::extensionChoices_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("single file with extension") << "report.txt"
                                                << "report.enc";
    QTest::newRow("single file without extension") << "readme"
                                                   << "readme.enc";
    QTest::newRow("wildcards") << "*.txt"
                               << "*.enc";
}

void tst_filecommands::extensionChoices()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    frmMain& w = *m_window;
    w.editor().UseSides({m_folder, m_folder}, {input, w.setup().strFilespec[1]});
    frmSpecifyOutputFiles::SetNextResult({true, Choice::Extension, "enc"});
    QTest::mouseClick(Widgets(w).cmdSpecifyFiles[1], Qt::LeftButton);
    QCOMPARE(w.setup().strFilespec[1], output);
}

void tst_filecommands::outputSameWithEmptyInputSide()
{
    frmMain& w = *m_window;
    w.editor().UseSides({w.setup().strDirpath[0], m_folder}, {w.setup().strFilespec[0], "out.enc"});
    QTest::mouseClick(Widgets(w).cmdOutputFilesSame, Qt::LeftButton);
    QCOMPARE(w.setup().strDirpath[0], m_folder);
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("out.enc"));
    QCOMPARE(Widgets(w).lblFiles[0]->text(), QStringLiteral("out.enc"));
    // Turning it off again leaves the output side as it was.
    QTest::mouseClick(Widgets(w).cmdOutputFilesSame, Qt::LeftButton);
    QCOMPARE(w.setup().strFilespec[1], QStringLiteral("out.enc"));
}

void tst_filecommands::refusals()
{
    frmMain& w = *m_window;
    QTest::mouseClick(Widgets(w).cmdSpecifyFiles[0], Qt::LeftButton);
    QTest::mouseClick(Widgets(w).cmdOutputFilesSame, Qt::LeftButton);
    QTest::mouseClick(Widgets(w).cmdSpecifyDirectory[1], Qt::LeftButton);
    w.editor().UseSides({w.setup().strDirpath[0], m_folder}, w.setup().strFilespec);
    QTest::mouseClick(Widgets(w).cmdSpecifyFiles[1], Qt::LeftButton);
    w.editor().UseSides({m_folder + "sub/deeper/", w.setup().strDirpath[1]}, w.setup().strFilespec);
    QTest::mouseClick(Widgets(w).cmdSpecifyFiles[0], Qt::LeftButton);
    QCOMPARE(m_interaction->shown,
             QStringList({"Folder unspecified: The input folder has not been specified.",
                          "Specify output folder: Currently output files are specified as the "
                          "same as the input files.",
                          "Specify output files: Currently output files are specified as the "
                          "same as the input files.",
                          "Empty folder: The input folder contains no files and no subfolders."}));
}

void tst_filecommands::drops()
{
    frmMain& w = *m_window;
    w.fileCommands().Drop({m_folder + "report.txt"});
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("report.txt"));
    w.fileCommands().Drop({m_folder + "sub"});
    QCOMPARE(w.setup().strDirpath[0], m_folder + "sub/");
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("report.txt"));
    w.fileCommands().Drop({m_folder + "report.txt", m_folder + "sub"});
    QCOMPARE(m_interaction->shown.value(0),
             QStringLiteral("Drop: Drop one file or one folder on the window."));
    // A Latin-1 name arrives percent-encoded; its bytes are not UTF-8.
    w.fileCommands().DropUrls(QList<QUrl>{QUrl(QStringLiteral("file:///tmp/caf%E9.txt"))});
    QCOMPARE(m_interaction->shown.value(1),
             QStringLiteral("Drop: The name of /tmp/caf\\xE9.txt is not valid UTF-8, so the "
                            "program cannot open it. Rename it to use it."));
    QCOMPARE(w.setup().strFilespec[0], QStringLiteral("report.txt"));
}

QTEST_MAIN(tst_filecommands)
#include "tst_filecommands.moc"
