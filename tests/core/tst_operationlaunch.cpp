#include "BatchFixture.h"
#include "core/LaunchHost.h"
#include "core/OperationDescription.h"
#include "core/OperationLaunch.h"

#include <QDir>
#include <QTest>

#include <functional>

// "Do it!": the checks in their order, the switch to in-place output, the confirmation text,
// the disk space estimate and the key extension.
class TestOperationLaunch : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void outputEqualsInputSwitchesToInPlace();
    void diskSpace_data();
    void diskSpace();
    void keyExtension_data();
    void keyExtension();
    void declinedConfirmationTouchesNothing();
    void keyIsDerivedWhileTheUserReads_data();
    void keyIsDerivedWhileTheUserReads();
    void declinedLaunchForgetsTheKey();
    void reliabilityTestFolder_data();
    void reliabilityTestFolder();
    void description_data();
    void description();
    void replacedOutputFiles_data();
    void replacedOutputFiles();
};

namespace {

// Records what the launch asked of its front end and answers the confirmation.
struct RecordingHost : LaunchHost
{
    Setup* setup = nullptr;
    bool confirm = true;
    TestChoice testChoice = TestChoice::NormalEncryption;
    QStringList calls;
    void SwitchToInPlace() override
    {
        calls << QStringLiteral("in place");
        setup->blnOutputFilesSame = true;
    }
    TestChoice OfferReliabilityTest() override
    {
        calls << QStringLiteral("reliability test");
        return testChoice;
    }
    std::function<void()> whileConfirming;
    bool Confirm(const QString& description, const QString& question) override
    {
        calls << description << question;
        if (whileConfirming)
            whileConfirming();
        return confirm;
    }
    void ShowReport(const QString& caption) override { calls << QStringLiteral("show ") + caption; }
};

// A launch over the fixture's folders: input "in/" with its specification, output "out/".
struct Launch
{
    BatchFixture f;
    RecordingHost host;
    OperationLaunch launch{f.setup, f.key, f.interaction, f.driver, host};
    int spaceQueries = 0;

    Launch()
    {
        host.setup = &f.setup;
        QDir().mkpath(f.path(QStringLiteral("in")));
        QDir().mkpath(f.path(QStringLiteral("out")));
        f.setup.strDirpath = {f.path(QStringLiteral("in/")), f.path(QStringLiteral("out/"))};
        f.setup.strFilespec = {QStringLiteral("*.*"), QStringLiteral("*.enc")};
        f.key.strKey = "0123456789ABCDEF";
        launch.freeSpace = [this](const QString&, double& available) {
            ++spaceQueries;
            available = 1e12;
            return 0;
        };
    }
};

} // namespace

void TestOperationLaunch::refusals_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    const int exclamation = int(Interaction::Icon::Exclamation);
    QTest::newRow("no input") << "no input"
                              << "Error: Input file(s) not specified." << exclamation;
    QTest::newRow("missing folder")
        << "missing folder"
        << "Error: Cannot access the input folder." << int(Interaction::Icon::Critical);
    QTest::newRow("empty, all files")
        << "empty"
        << "Empty folder: The input folder contains no files and no subfolders." << exclamation;
    QTest::newRow("empty, *.txt")
        << "empty txt"
        << "Empty folder: The input folder contains no matching files and no subfolders."
        << exclamation;
    QTest::newRow("only a subfolder")
        << "subfolder"
        << "Nothing to do: The input folder contains no matching files." << exclamation;
    QTest::newRow("no key") << "no key"
                            << "Decryption key not specified: Please specify the decryption key."
                            << int(Interaction::Icon::None);
    QTest::newRow("no output") << "no output"
                               << "Error: Output file(s) not specified." << exclamation;
    QTest::newRow("subfolders to new files")
        << "subfolders"
        << ": If subfolders are included then the output files must be the same as the input "
           "files."
        << int(Interaction::Icon::Information);
    QTest::newRow("all empty files") << "zero bytes"
                                     << "Error: Total input filesize is 0 bytes." << exclamation;
}

void TestOperationLaunch::refusals()
{
    QFETCH(QString, setting);
    QFETCH(QString, message);
    QFETCH(int, icon);
    Launch l;
    Setup& setup = l.f.setup;
    l.f.write(QStringLiteral("in/a.txt"), "text");
    if (setting == "no input")
        setup.strFilespec[Setup::Input].clear();
    if (setting == "missing folder")
        setup.strDirpath[Setup::Input] = l.f.path(QStringLiteral("gone/"));
    if (setting.startsWith("empty") || setting == "subfolder")
        QFile::remove(l.f.path(QStringLiteral("in/a.txt")));
    if (setting == "empty txt")
        setup.strFilespec[Setup::Input] = QStringLiteral("*.txt");
    if (setting == "subfolder")
        QDir().mkpath(l.f.path(QStringLiteral("in/sub")));
    if (setting == "no key") {
        setup.blnEncrypt = false;
        l.f.key.intKeySource = KeyRecord::NotSpecified;
    }
    if (setting == "no output")
        setup.strDirpath[Setup::Output].clear();
    if (setting == "subfolders")
        setup.blnSubdirectories = true;
    if (setting == "zero bytes")
        l.f.write(QStringLiteral("in/a.txt"), QByteArray());
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Refused);
    QCOMPARE(l.f.interaction.shown, QStringList{message});
    QCOMPARE(int(l.f.interaction.icons.first()), icon);
    QCOMPARE(QDir(l.f.path(QStringLiteral("out"))).entryList(QDir::Files), QStringList());
    QVERIFY(!l.host.calls.contains(QStringLiteral("show Encrypting *.*")));
}

void TestOperationLaunch::outputEqualsInputSwitchesToInPlace()
{
    Launch l;
    Setup& setup = l.f.setup;
    l.f.write(QStringLiteral("in/a.txt"), "text");
    setup.blnSubdirectories = true;
    setup.strDirpath[Setup::Output] = setup.strDirpath[Setup::Input];
    setup.strFilespec = {QStringLiteral("*.txt"), QStringLiteral("*.txt")};
    // The switch comes before the subfolder rule, which then has nothing to object to.
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Ran);
    QCOMPARE(l.host.calls.first(), QStringLiteral("in place"));
    QVERIFY(setup.blnOutputFilesSame);
    QCOMPARE(l.host.calls.at(1),
             QStringLiteral("Encrypting *.txt in the folder ") + setup.strDirpath[0] +
                 QStringLiteral(" (1 file) and in all lower subfolders.  The output file will "
                                "have the same name as the input file (so the input file will "
                                "be overwritten)"));
    QCOMPARE(l.host.calls.at(2), QStringLiteral("Perform this encryption operation?"));
    QCOMPARE(l.host.calls.at(3), QStringLiteral("show Encrypting *.txt"));
    // In place needs no measuring pass and no disk space query.
    QCOMPARE(l.spaceQueries, 0);
    QCOMPARE(l.f.decrypted(QStringLiteral("in/a.txt")), QByteArray("text"));
}

void TestOperationLaunch::diskSpace_data()
{
    QTest::addColumn<qint64>("inputBytes");
    QTest::addColumn<double>("freeBytes");
    QTest::addColumn<QString>("message"); // "" when the batch runs
    QTest::addColumn<bool>("repairable");
    QTest::newRow("enough") << qint64(2048) << 2048.0 << QString() << false;
    QTest::newRow("KB") << qint64(900 * 1024 + 5) << 700 * 1024.0
                        << "is 900 KB, but there is only 700 KB available." << false;
    QTest::newRow("MB") << qint64(3 * 1024 * 1024 + 1) << 1536 * 1024.0
                        << "is 3 MB, but there is only 1.5 MB available." << false;
    QTest::newRow("free space rounded")
        << qint64(1025) << 512.0 << "is 1 KB, but there is only 1 KB available." << false;
    QTest::newRow("plain files fit") << qint64(239 * 1024) << 250 * 1024.0 << QString() << false;
    QTest::newRow("repairable files with their parity do not")
        << qint64(239 * 1024) << 250 * 1024.0 << "is 255 KB, but there is only 250 KB available."
        << true;
}

void TestOperationLaunch::diskSpace()
{
    QFETCH(qint64, inputBytes);
    QFETCH(double, freeBytes);
    QFETCH(QString, message);
    QFETCH(bool, repairable);
    Launch l;
    l.f.setup.blnRepairable = repairable;
    l.f.write(QStringLiteral("in/a.txt"), QByteArray(inputBytes, 'a'));
    l.launch.freeSpace = [&](const QString& path, double& available) {
        available = freeBytes;
        return path == l.f.setup.strDirpath[Setup::Output] ? 0 : -1;
    };
    const OperationLaunch::Outcome outcome = l.launch.DoIt();
    if (message.isEmpty()) {
        QCOMPARE(outcome, OperationLaunch::Outcome::Ran);
        return;
    }
    QCOMPARE(outcome, OperationLaunch::Outcome::Refused);
    QCOMPARE(l.f.interaction.shown,
             QStringList{QStringLiteral("Insufficient disk space: Estimated space required on "
                                        "drive ") +
                         l.f.setup.strDirpath[Setup::Output] + QLatin1Char(' ') + message});
    QVERIFY(QDir(l.f.path(QStringLiteral("out"))).isEmpty());
}

void TestOperationLaunch::keyExtension_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("used");
    const QByteArray k16 = "ABCDEFGHIJKLMNOP";
    const QByteArray k40 = "0123456789012345678901234567890123456789";
    const QByteArray k64 = QByteArray("0123456789ABCDEF").repeated(3) + "FEDCBA9876543210";
    QTest::newRow("16") << k16 << k16.repeated(4);
    QTest::newRow("40") << k40 << k40 + k40.left(24);
    QTest::newRow("64") << k64 << k64;
}

void TestOperationLaunch::keyExtension()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, used);
    Launch l;
    l.f.key.strKey = key;
    l.f.write(QStringLiteral("in/a.txt"), "text");
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Ran);
    QCOMPARE(l.f.key.strKey, key); // the user's key as given: the batch extended a copy
    l.f.key.strKey = used;
    QCOMPARE(l.f.decrypted(QStringLiteral("out/a.enc")), QByteArray("text"));
}

void TestOperationLaunch::declinedConfirmationTouchesNothing()
{
    Launch l;
    l.host.confirm = false;
    l.f.write(QStringLiteral("in/a.txt"), "text");
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Cancelled);
    QCOMPARE(l.f.key.strKey, QByteArray("0123456789ABCDEF"));
    QCOMPARE(l.host.calls.size(), 2);
    QVERIFY(QDir(l.f.path(QStringLiteral("out"))).isEmpty());
}

void TestOperationLaunch::keyIsDerivedWhileTheUserReads_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::newRow("encryption") << true;
    QTest::newRow("decryption, under the first file's salt") << false;
}

// The batch finds its key derived while the confirmation was up: none is derived after Yes.
void TestOperationLaunch::keyIsDerivedWhileTheUserReads()
{
    QFETCH(bool, encrypt);
    Launch l;
    l.f.key.strKey = QByteArray("0123456789ABCDEF");
    l.f.setup.blnEncrypt = encrypt;
    const QByteArray plain = QByteArray("Nothing to see. ").repeated(40);
    if (encrypt) {
        l.f.write(QStringLiteral("in/a.txt"), plain);
    } else {
        l.f.writeEncrypted(QStringLiteral("in/a.zr7"), plain);
        l.f.engine.forget_keys();
    }
    const int before = l.f.engine.key_derivations();
    int derivedBeforeYes = -1;
    l.host.whileConfirming = [&] { derivedBeforeYes = l.f.engine.key_derivations() - before; };
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Ran);
    QCOMPARE(derivedBeforeYes, 1);
    QCOMPARE(l.f.engine.key_derivations() - before, 1);
    QCOMPARE(l.f.driver.counters().filesDone, 1);
}

void TestOperationLaunch::declinedLaunchForgetsTheKey()
{
    Launch l;
    l.f.write(QStringLiteral("in/a.txt"), "text");
    const int before = l.f.engine.key_derivations();
    l.host.confirm = false;
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Cancelled);
    QCOMPARE(l.f.engine.key_derivations() - before, 1);
    // Nothing of the declined key is kept: the next launch derives it again.
    l.host.confirm = true;
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Ran);
    QCOMPARE(l.f.engine.key_derivations() - before, 2);
}

void TestOperationLaunch::reliabilityTestFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<bool>("offered");
    QTest::newRow("test files") << "zr7test"
                                << "*.TST" << true << false << true;
    QTest::newRow("decryption") << "zr7test"
                                << "*.tst" << false << false << false;
    QTest::newRow("other extension") << "zr7test"
                                     << "*.tsx" << true << false << false;
    QTest::newRow("no dot") << "zr7test"
                            << "tst" << true << false << false;
    QTest::newRow("subfolders") << "zr7test"
                                << "*.tst" << true << true << false;
    QTest::newRow("folder case differs") << "ZR7TEST"
                                         << "*.tst" << true << false << false;
}

void TestOperationLaunch::reliabilityTestFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, spec);
    QFETCH(bool, encrypt);
    QFETCH(bool, subfolders);
    QFETCH(bool, offered);
    Launch l;
    l.f.setup.blnEncrypt = encrypt;
    l.f.setup.blnSubdirectories = subfolders;
    l.f.setup.strDirpath[Setup::Input] = l.f.path(folder + QLatin1Char('/'));
    l.f.setup.strFilespec[Setup::Input] = spec;
    l.f.write(folder + QStringLiteral("/a.tst"), "test file");
    l.f.write(folder + QStringLiteral("/a.tsx"), "test file");
    l.f.write(folder + QStringLiteral("/tst"), "test file");
    l.host.testChoice = LaunchHost::TestChoice::Cancelled;
    l.host.confirm = false;
    l.launch.DoIt();
    QCOMPARE(l.host.calls.contains(QStringLiteral("reliability test")), offered);
}

void TestOperationLaunch::description_data()
{
    QTest::addColumn<QString>("inputSpec");
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<QString>("outputSpec");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("three files to another folder")
        << "*.*"
        << "/safe/"
        << "*.enc" << false << false << 3
        << "Encrypting all files in the folder /docs/ (3 files) .  The output files are "
           "specified as *.enc in the folder /safe/";
    QTest::newRow("one file in place")
        << "a.txt"
        << "/docs/"
        << "a.txt" << true << false << 1
        << "Encrypting a.txt in the folder /docs/ (1 file) .  The output file will have the "
           "same name as the input file (so the input file will be overwritten)";
    QTest::newRow("one file, same names, same folder")
        << "*.txt"
        << "/docs/"
        << "*.*" << false << false << 1
        << "Encrypting *.txt in the folder /docs/ (1 file) .  The output file will have the "
           "same name in the same folder";
    QTest::newRow("in place with subfolders")
        << "*.*"
        << "/docs/"
        << "*.*" << true << true << 0
        << "Encrypting all files in the folder /docs/ (0 files) and in all lower subfolders.  "
           "The output files will have the same names as the input files (so the input files "
           "will be overwritten)";
    QTest::newRow("new names, other folder, one file with subfolders")
        << "*.*"
        << "/safe/"
        << "*.*" << false << true << 1
        << "Encrypting all files in the folder /docs/ (1 file) and in all lower subfolders.  "
           "The output files will have the same names in the folder /safe/";
    QTest::newRow("specified name, same folder with subfolders")
        << "*.txt"
        << "/docs/"
        << "*.enc" << false << true << 2
        << "Encrypting *.txt in the folder /docs/ (2 files) and in all lower subfolders.  The "
           "output files are specified as *.enc in the same folders";
}

void TestOperationLaunch::description()
{
    QFETCH(QString, inputSpec);
    QFETCH(QString, outputFolder);
    QFETCH(QString, outputSpec);
    QFETCH(bool, inPlace);
    QFETCH(bool, subfolders);
    QFETCH(int, count);
    QFETCH(QString, text);
    Setup setup;
    setup.blnEncrypt = true;
    setup.blnOutputFilesSame = inPlace;
    setup.blnSubdirectories = subfolders;
    setup.strDirpath = {QStringLiteral("/docs/"), outputFolder};
    setup.strFilespec = {inputSpec, outputSpec};
    QCOMPARE(OperationDescription(setup, count), text);
    // Repairable files add a line to an encryption's description, never to a decryption's.
    setup.blnRepairable = true;
    QCOMPARE(OperationDescription(setup, count),
             text + "\nThe encrypted files carry repair data (about 7% larger) that mends damaged "
                    "sectors.");
    setup.blnEncrypt = false;
    QVERIFY(!OperationDescription(setup, count).contains(QStringLiteral("repair")));
}

void TestOperationLaunch::replacedOutputFiles_data()
{
    QTest::addColumn<QString>("inputSpec");
    QTest::addColumn<QString>("output");      // output folder/names, "" in place
    QTest::addColumn<QStringList>("present"); // files besides in/a.txt and in/b.txt
    QTest::addColumn<QString>("line");        // the description's second line
    const QStringList both = {"out/a.enc", "out/b.enc"};
    QTest::newRow("none exists") << "*.*"
                                 << "out/*.enc" << QStringList{"out/a.txt"} << QString();
    QTest::newRow("one of two") << "*.*"
                                << "out/*.enc" << QStringList{"out/b.enc", "out/c.enc"}
                                << "1 of the output files exists already and will be replaced.";
    QTest::newRow("two of two") << "*.*"
                                << "out/*.enc" << both
                                << "2 of the output files exist already and will be replaced.";
    QTest::newRow("single file") << "a.txt"
                                 << "out/*.enc" << both
                                 << "The output file exists already and will be replaced.";
    QTest::newRow("a folder is no file") << "a.txt"
                                         << "out/*.enc" << QStringList{"out/a.enc/x"} << QString();
    // The input file itself is replaced in place, as the description says.
    QTest::newRow("same name, same folder") << "*.txt"
                                            << "in/*.*" << QStringList() << QString();
    QTest::newRow("in place") << "*.*" << QString() << both << QString();
}

void TestOperationLaunch::replacedOutputFiles()
{
    QFETCH(QString, inputSpec);
    QFETCH(QString, output);
    QFETCH(QStringList, present);
    QFETCH(QString, line);
    Launch l;
    l.host.confirm = false;
    for (const QString& name : QStringList{"in/a.txt", "in/b.txt"} + present)
        l.f.write(name, name.toUtf8());
    Setup& setup = l.f.setup;
    setup.blnEncrypt = false;
    setup.blnOutputFilesSame = output.isEmpty();
    setup.strFilespec = {inputSpec, output.isEmpty() ? inputSpec : output.section('/', 1)};
    setup.strDirpath[Setup::Output] =
        output.isEmpty() ? setup.strDirpath[Setup::Input] : l.f.path(output.section('/', 0, 0));
    QCOMPARE(l.launch.DoIt(), OperationLaunch::Outcome::Cancelled);
    const QString description = l.host.calls.at(l.host.calls.size() - 2);
    QCOMPARE(description.section(QLatin1Char('\n'), 1), line);
    for (const QString& name : present)
        QCOMPARE(l.f.read(name), name.toUtf8());
}

QTEST_GUILESS_MAIN(TestOperationLaunch)
#include "tst_operationlaunch.moc"
