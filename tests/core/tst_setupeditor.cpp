#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "core/SetupEditor.h"
#include "core/SetupView.h"
#include "core/StartArguments.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The rules that change the setup, driven without any window: what each command does to the
// switches and the two sides, and what it tells the view.
class TestSetupEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void subfolders_data();
    void subfolders();
    void inputFilesMakeInPlace();
    void setOutputFilesSame_data();
    void setOutputFilesSame();
    void outputExtension_data();
    void outputExtension();
    void clearThenRestore();
    void startArguments_data();
    void startArguments();
};

namespace {

// Records what the editor reports, one word per call.
struct RecordingView : SetupView
{
    QStringList calls;
    QString filename = QStringLiteral("(unset)");
    void FunctionChanged() override { calls << "function"; }
    void SubdirectoriesChanged(bool has) override { calls << (has ? "subfolders" : "none"); }
    void OutputFilesSameChanged() override { calls << "same"; }
    void RepairableChanged() override { calls << "repairable"; }
    void SideChanged(int side) override { calls << QStringLiteral("side%1").arg(side); }
    void KeyCleared() override { calls << "key"; }
    void SetupFilenameChanged(const QString& path) override { filename = path; }
};

} // namespace

static std::unique_ptr<QTemporaryDir> s_dir;

void TestSetupEditor::init()
{
    s_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(s_dir->path()).mkpath(QStringLiteral("with/sub")));
    QVERIFY(QDir(s_dir->path()).mkpath(QStringLiteral("flat")));
    TestFiles::write(s_dir->filePath(QStringLiteral("with/a.txt")), "a");
    TestFiles::write(s_dir->filePath(QStringLiteral("flat/a.txt")), "a");
    TestFiles::write(s_dir->filePath(QStringLiteral("flat/b.zr7")),
                     TestFiles::randomBytes(4000, 3));
    TestFiles::write(s_dir->filePath(QStringLiteral("flat/random.dat")),
                     TestFiles::randomBytes(4000, 4));
    TestFiles::write(s_dir->filePath(QStringLiteral("flat/short.txt.ZR7")), "a");
}

void TestSetupEditor::subfolders_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("included");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("message");
    QTest::newRow("a folder with subfolders: in place from now on") << "with" << true << true << "";
    QTest::newRow("a folder without subfolders: nothing to include")
        << "flat" << false << false << "";
    QTest::newRow("a folder that went away: its side goes")
        << "gone" << false << false << "Error: Error when attempting to access %1.";
}

void TestSetupEditor::subfolders()
{
    QFETCH(QString, input);
    QFETCH(bool, included);
    QFETCH(bool, inPlace);
    QFETCH(QString, message);
    ScriptedInteraction interaction;
    SetupEditor editor(interaction);
    RecordingView view;
    editor.SetView(&view);
    const QString folder = s_dir->filePath(input) + '/';
    editor.UseSides({folder, s_dir->path() + "/out/"}, {"*.txt", "*.enc"});
    editor.ToggleSubdirectories();
    const Setup& setup = editor.setup();
    QCOMPARE(setup.blnSubdirectories, included);
    QCOMPARE(setup.blnOutputFilesSame, inPlace);
    if (inPlace)
        QCOMPARE(setup.strDirpath[Setup::Output], folder);
    QCOMPARE(setup.strDirpath[Setup::Input].isEmpty(), !message.isEmpty());
    QCOMPARE(interaction.shown.join('|'), message.isEmpty() ? QString() : message.arg(folder));
}

// Naming the output side's folder and files for the input makes the operation work in place.
void TestSetupEditor::inputFilesMakeInPlace()
{
    ScriptedInteraction interaction;
    SetupEditor editor(interaction);
    RecordingView view;
    editor.SetView(&view);
    const QString folder = s_dir->filePath(QStringLiteral("flat/"));
    editor.UseSides({folder, folder}, {"*.*", "*.txt"});
    editor.SetSetupFilename(QStringLiteral("/saved.opn"));
    editor.UseInputFiles(SetupEditor::FilesChoice::Extension, QStringLiteral("txt"));
    QCOMPARE(editor.setup().strFilespec[Setup::Input], QStringLiteral("*.txt"));
    QVERIFY(editor.setup().blnOutputFilesSame);
    QVERIFY(view.calls.contains("same"));
    // Any change: the setup no longer equals the file it came from.
    QCOMPARE(view.filename, QString());
    QVERIFY(interaction.shown.isEmpty());
}

void TestSetupEditor::setOutputFilesSame_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("same");
    QTest::newRow("off to on") << false << true;
    QTest::newRow("on stays on") << true << true;
    QTest::newRow("on to off") << true << false;
    QTest::newRow("off stays off") << false << false;
}

// The setter brings the switch to the value asked for from either state, never the opposite:
// on, the output side takes the input side; off, the output side stays as it is.
void TestSetupEditor::setOutputFilesSame()
{
    QFETCH(bool, before);
    QFETCH(bool, same);
    ScriptedInteraction interaction;
    SetupEditor editor(interaction);
    editor.SetOutputFilesSame(before);
    editor.UseSides({"/in/", "/out/"}, {"*.txt", "*.enc"});
    RecordingView view;
    editor.SetView(&view);
    editor.SetOutputFilesSame(same);
    const Setup& setup = editor.setup();
    QCOMPARE(setup.blnOutputFilesSame, same);
    QCOMPARE(setup.strDirpath[Setup::Output], same ? QString("/in/") : QString("/out/"));
    QCOMPARE(setup.strFilespec[Setup::Output], same ? QString("*.txt") : QString("*.enc"));
    QCOMPARE(view.calls.first(), QStringLiteral("same"));
    QCOMPARE(view.filename, QString());
}

void TestSetupEditor::outputExtension_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("picked");
    QTest::newRow("one file keeps its name") << "report.txt"
                                             << "report.enc" << false;
    QTest::newRow("a name without extension") << "README"
                                              << "README.enc" << false;
    QTest::newRow("a pattern") << "*.txt"
                               << "*.enc" << false;
    QTest::newRow("a picked name with ?") << "q?.txt"
                                          << "q?.enc" << true;
}

void TestSetupEditor::outputExtension()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, picked);
    ScriptedInteraction interaction;
    SetupEditor editor(interaction);
    editor.UseSides({"/in/", "/out/"}, {input, QString()}, picked);
    editor.UseOutputFiles(SetupEditor::FilesChoice::Extension, QStringLiteral("enc"));
    QCOMPARE(editor.setup().strFilespec[Setup::Output], output);
}

void TestSetupEditor::clearThenRestore()
{
    ScriptedInteraction interaction;
    SetupEditor editor(interaction);
    RecordingView view;
    editor.SetView(&view);
    const QString folder = s_dir->filePath(QStringLiteral("flat/"));
    editor.UseSides({folder, s_dir->path() + "/out/"}, {"a?.txt", "*.enc"}, true);
    editor.SetSwitches(false, false, false);
    editor.SetRepairable(true);
    editor.key().strKey = "A KEY OF SIXTEEN+";
    editor.key().intKeySource = KeyRecord::Keyboard;
    const KeptSetup before = editor.setup().Keep();

    editor.ClearSetup();
    QCOMPARE(editor.setup().Keep(), (KeptSetup{true, false, false, false, {}, {}}));
    QCOMPARE(editor.key().intKeySource, int(KeyRecord::NotSpecified));
    QCOMPARE(editor.keptSetup(), before);

    editor.SetSetupFilename(QStringLiteral("/kept/label.opn"));
    view.calls.clear();
    editor.RestoreSetup();
    QCOMPARE(editor.setup().Keep(), before);
    QCOMPARE(editor.key().intKeySource, int(KeyRecord::NotSpecified));
    QVERIFY(view.calls.contains("key") && view.calls.contains("side0"));
    QCOMPARE(view.filename, QStringLiteral("/kept/label.opn"));
}

void TestSetupEditor::startArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("files");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("messages");
    QTest::newRow("a plain file: encrypt it alone") << QStringList{"flat/a.txt"} << "flat/"
                                                    << "a.txt" << true << ""
                                                    << "";
    QTest::newRow("a file that seems encrypted: decrypt it")
        << QStringList{"flat/random.dat"} << "flat/"
        << "random.dat" << false << ""
        << "";
    QTest::newRow("a .zr7 file, however short: decrypt it beside itself")
        << QStringList{"flat/short.txt.ZR7"} << "flat/"
        << "short.txt.ZR7" << false << "short.txt"
        << "";
    QTest::newRow("a folder: all its files") << QStringList{"with"} << "with/"
                                             << "*.*" << true << "*.*"
                                             << "";
    QTest::newRow("\"--\" ends the options, and is no path")
        << QStringList{"--", "flat/a.txt"} << "flat/"
        << "a.txt" << true << ""
        << "";
    QTest::newRow("a missing path: told, nothing changes") << QStringList{"gone.txt"} << ""
                                                           << "" << false << ""
                                                           << "Error: File %1gone.txt not found!";
    QTest::newRow("several: the first, and the user is told")
        << QStringList{"flat/b.zr7", "flat/a.txt"} << "flat/"
        << "b.zr7" << false << "b"
        << "Start: Only the first of the 2 files and folders given is taken:\n%1flat/b.zr7";
}

// The files and folders the program starts with, relative to the folder it was started in.
void TestSetupEditor::startArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    QFETCH(QString, files);
    QFETCH(bool, encrypt);
    QFETCH(QString, output);
    QFETCH(QString, messages);
    const QString home = QDir::currentPath();
    QVERIFY(QDir::setCurrent(s_dir->path()));
    const QStringList paths = StartArguments::Paths(QStringList{"zr7e"} + arguments);
    QVERIFY(QDir::setCurrent(home));
    ScriptedInteraction interaction;
    SetupEditor editor(interaction);
    editor.SetFunction(false);
    StartArguments::Apply(paths, editor, interaction);
    const Setup& setup = editor.setup();
    const QString root = s_dir->path() + '/';
    QCOMPARE(setup.strDirpath[Setup::Input], folder.isEmpty() ? folder : root + folder);
    QCOMPARE(setup.strFilespec[Setup::Input], files);
    QCOMPARE(setup.blnSingleFile, !files.isEmpty() && files != "*.*");
    QCOMPARE(setup.blnEncrypt, encrypt);
    QCOMPARE(setup.strFilespec[Setup::Output], output);
    QCOMPARE(interaction.shown.join('|'), messages.isEmpty() ? messages : messages.arg(root));
}

QTEST_GUILESS_MAIN(TestSetupEditor)
#include "tst_setupeditor.moc"
