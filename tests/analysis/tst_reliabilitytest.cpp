#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "analysis/ReliabilityTest.h"
#include "analysis/ReliabilityTestHost.h"
#include "core/BatchDriver.h"
#include "core/LaunchHost.h"
#include "core/SetupEditor.h"
#include "storage/FileCipher.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The reliability test over real files: the comparison report of each mode, the repeated
// header of a long report, a planted difference, and the setup given back at the end.
class tst_reliabilitytest : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void difference_data();
    void difference();
    void copiesKept_data();
    void copiesKept();
};

namespace {

const QByteArray Key = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!?";

// A "zr7test" folder of `files` test files a.tst, b.tst, ... of different sizes, a key in force,
// and the test ready to run in place or to separate files. Launches are never confirmed and
// pauses end at once.
struct TestRig : LaunchHost, ReliabilityTestHost
{
    QTemporaryDir dir;
    FileCipher engine;
    ScriptedInteraction interaction;
    SetupEditor editor{interaction};
    BatchDriver driver{editor.key(), engine, interaction};
    ReliabilityTest test{editor, driver, interaction, *this, *this};
    QString folder = dir.filePath(QStringLiteral("zr7test/"));
    int waits = 0;
    int comparisons = 0;

    TestRig(int files, bool inPlace)
    {
        QVERIFY(engine.allocate_buffers());
        engine.set_kdf_params({1, StreamFormat::MinMemLog});
        QDir().mkpath(folder);
        for (int i = 0; i < files; ++i)
            TestFiles::write(folder + QChar('a' + i) + QStringLiteral(".tst"),
                             TestFiles::randomBytes((i + 1) * 700, i));
        const QString out = dir.filePath(QStringLiteral("out/"));
        editor.UseSides({folder, inPlace ? folder : out},
                        {QStringLiteral("*.tst"), QStringLiteral("*.enc")});
        editor.SetSwitches(true, inPlace, false);
        SetKey();
    }

    void SetKey()
    {
        editor.key().strKey = Key;
        editor.key().strRawKeyText = Key;
        editor.key().intKeySource = KeyRecord::Keyboard;
    }

    void SwitchToInPlace() override { editor.ToggleOutputFilesSame(); }
    bool Confirm(const QString&, const QString&) override
    {
        QTest::qFail("a test launch asked for confirmation", __FILE__, __LINE__);
        return false;
    }
    void ShowReport(const QString&) override {}
    void WaitBeforeNextRun(bool) override { ++waits; }
    void ComparisonStarted() override { ++comparisons; }

    QString report() { return driver.report().text(); }
};

} // namespace

void tst_reliabilitytest::runs_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("runs");
    QTest::addColumn<QStringList>("fragments"); // %1 the folder, %2 the first key
    const QString once = QStringLiteral("\nThe reliability test was performed once.\nAll "
                                        "decrypted files were found to be identical with the "
                                        "original files.");
    QTest::newRow("in place, one run")
        << true << 3 << 1
        << QStringList{"3 test files in %1\n64-byte text key: %2\n\n", "identical\n" + once};
    QTest::newRow("separate files, three runs")
        << false << 3 << 3
        << QStringList{"Reliability test #3 of 3\n3 test files in %1\n",
                       "identical\n\nThe reliability test was performed 3 times.\n"};
    QTest::newRow("twelve files, header repeated")
        << false << 12 << 1
        << QStringList{"12 test files in %1\n64-byte text key: %2\n\n",
                       "identical\n\n12 test files in %1\n64-byte text key: %2\n" + once};
}

void tst_reliabilitytest::runs()
{
    QFETCH(bool, inPlace);
    QFETCH(int, files);
    QFETCH(int, runs);
    QFETCH(QStringList, fragments);
    TestRig rig(files, inPlace);
    const KeptSetup before = rig.editor.setup().Keep();
    rig.test.intNumReliabilityTests = runs;
    rig.test.RunReliabilityTest();

    const QString report = rig.report();
    for (const QString& fragment : std::as_const(fragments))
        QVERIFY2(report.contains(QString(fragment)
                                     .replace("%1", rig.folder)
                                     .replace("%2", QString::fromLatin1(Key))),
                 qPrintable(report));
    QVERIFY(report.endsWith(QLatin1String("identical with the original files.")));
    QVERIFY(rig.test.passed());
    QCOMPARE(rig.waits, runs - 1);
    QCOMPARE(rig.interaction.shown, QStringList());
    // One line a file; the originals are as they were, and the setup of before the test is
    // back without a key.
    for (int i = 0; i < files; ++i) {
        const QString name = QChar('a' + i);
        QVERIFY(report.contains(inPlace ? name + ".bak, " + name + ".tst: identical\n"
                                        : name + ".tst, " + name + ".dec: identical\n"));
        QCOMPARE(TestFiles::read(rig.folder + name + QStringLiteral(".tst")),
                 TestFiles::randomBytes((i + 1) * 700, i));
    }
    QCOMPARE(rig.editor.setup().Keep(), before);
    QCOMPARE(rig.editor.key().intKeySource, KeyRecord::NotSpecified);
    QCOMPARE(rig.comparisons, runs);
}

void tst_reliabilitytest::difference_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("damage"); // to b's decrypted file, of 1400 bytes
    QTest::addColumn<QString>("result");
    QTest::newRow("byte 5") << true << "5"
                            << "Files differ at byte 5.";
    QTest::newRow("byte 0") << true << "0"
                            << "Files differ at byte 0.";
    QTest::newRow("last byte") << true << "1399"
                               << "Files differ at byte 1399.";
    QTest::newRow("one byte short") << true << "short"
                                    << "Files differ at byte 1399.";
    QTest::newRow("empty") << true << "empty"
                           << "Second file is empty.";
    QTest::newRow("missing") << true << "missing"
                             << "Unable to open second file.";
    QTest::newRow("a folder") << true << "folder"
                              << "Unable to read second file.";
    QTest::newRow("separate files") << false << "5"
                                    << "Files differ at byte 5.";
    QTest::newRow("never encrypted") << false << "b.enc"
                                     << "Unable to open second file.";
}

void tst_reliabilitytest::difference()
{
    QFETCH(bool, inPlace);
    QFETCH(QString, damage);
    QFETCH(QString, result);
    TestRig rig(5, inPlace);
    rig.test.intNumReliabilityTests = 2;
    const QString b = rig.folder + (inPlace ? "b.tst" : "b.dec");
    QVERIFY(damage != "b.enc" || QDir().mkpath(rig.folder + damage)); // no b.enc can be made
    rig.test.afterDecryption = [&] {
        QByteArray bytes = TestFiles::read(b);
        if (const int at = damage.toInt(); damage.front().isDigit())
            bytes[at] = char(bytes[at] ^ 1);
        QFile::remove(b);
        if (damage == "folder")
            QDir().mkpath(b);
        else if (damage != "missing" && damage != "b.enc")
            TestFiles::write(b, bytes.left(damage == "empty" ? 0 : 1400 - (damage == "short")));
    };
    rig.test.RunReliabilityTest();

    QString codes;
    for (char c : Key)
        codes += QString::number(int(c)) + QLatin1Char(' ');
    const QString pairs = inPlace ? "a.bak, a.tst: identical\nb.bak, b.tst: "
                                  : "a.tst, a.dec: identical\nb.tst, b.dec: ";
    QVERIFY2(rig.report().endsWith((damage == "b.enc" ? "b.tst, b.dec: " : pairs) + result +
                                   "\nReliability test failed.\nAscii values of bytes in key:\n" +
                                   codes + "\n"),
             qPrintable(rig.report()));
    QVERIFY(!rig.test.passed());
    QCOMPARE(rig.waits, 0);
    QCOMPARE(rig.editor.key().intKeySource, KeyRecord::NotSpecified);
}

void tst_reliabilitytest::copiesKept_data()
{
    QTest::addColumn<QString>("planted"); // a file of the user's; none: a first test stopped
    QTest::addColumn<QString>("shown");   // in the report, or the message of a refused test
    QTest::newRow("stopped in run 2, run again")
        << ""
        << "(restored a.tst from a.bak, left by an interrupted test)\n";
    QTest::newRow("a .bak of the user's")
        << "b.bak"
        << "Error: b.bak differs from b.tst and was not made by the reliability test";
    QTest::newRow("two files, one copy") << "a.TST"
                                         << "Two test files would be copied to a.bak.";
}

// In place, the test never loses a copy it may need, nor overwrites a file it did not make.
void tst_reliabilitytest::copiesKept()
{
    QFETCH(QString, planted);
    QFETCH(QString, shown);
    TestRig rig(5, true);
    const QByteArray a = TestFiles::read(rig.folder + "a.tst");
    if (planted.isEmpty()) {
        rig.test.intNumReliabilityTests = 2;
        rig.interaction.onProcessEvents = [&] {
            if (rig.waits == 1 && TestFiles::read(rig.folder + "a.tst") != a)
                rig.driver.StopAtNextFile();
        };
        rig.test.RunReliabilityTest();
        QVERIFY(TestFiles::read(rig.folder + "a.tst") != a);
        rig.interaction.onProcessEvents = nullptr;
        rig.SetKey();
    } else {
        TestFiles::write(rig.folder + planted, "the user's own file");
    }
    rig.test.intNumReliabilityTests = 1;
    rig.test.RunReliabilityTest();

    for (int i = 0; i < 5; ++i)
        QCOMPARE(TestFiles::read(rig.folder + QChar('a' + i) + ".tst"),
                 TestFiles::randomBytes((i + 1) * 700, i));
    QVERIFY2((rig.report() + rig.interaction.shown.join('\n')).contains(shown),
             qPrintable(rig.report() + rig.interaction.shown.join('\n')));
    QCOMPARE(rig.test.passed(), planted.isEmpty());
    if (!planted.isEmpty())
        QCOMPARE(TestFiles::read(rig.folder + planted), QByteArray("the user's own file"));
}

QTEST_GUILESS_MAIN(tst_reliabilitytest)
#include "tst_reliabilitytest.moc"
