#include "CipherEngine.h"
#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "analysis/ReliabilityTest.h"
#include "analysis/ReliabilityTestHost.h"
#include "core/BatchDriver.h"
#include "core/LaunchHost.h"
#include "core/SetupEditor.h"

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
};

namespace {

const QByteArray Key = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!?";

// A "zr7test" folder of `files` test files a.tst, b.tst, ... of different sizes, a key in force,
// and the test ready to run in place or to separate files. Launches are never confirmed and
// pauses end at once.
struct TestRig : LaunchHost, ReliabilityTestHost
{
    QTemporaryDir dir;
    CipherEngine engine;
    ScriptedInteraction interaction;
    SetupEditor editor{interaction};
    BatchDriver driver{editor.setup(), editor.key(), engine, interaction};
    ReliabilityTest test{editor, driver, interaction, *this, *this};
    QString folder = dir.filePath(QStringLiteral("zr7test/"));
    int waits = 0;

    TestRig(int files, bool inPlace)
    {
        engine.allocate_buffers();
        engine.set_kdf_params({1, StreamFormat::MinMemLog});
        QDir().mkpath(folder);
        for (int i = 0; i < files; ++i)
            TestFiles::write(folder + QChar('a' + i) + QStringLiteral(".tst"),
                             TestFiles::randomBytes((i + 1) * 700, i));
        const QString out = dir.filePath(QStringLiteral("out/"));
        editor.UseSides({folder, inPlace ? folder : out},
                        {QStringLiteral("*.tst"), QStringLiteral("*.enc")});
        editor.SetSwitches(true, inPlace, false);
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
    void WaitBeforeNextRun(Setup& setup, bool) override
    {
        ++waits;
        setup.blnGenerateNextKey = true;
    }

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
    QVERIFY(rig.driver.blnRestoreSetupOnClose);
}

void tst_reliabilitytest::difference_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("in place") << true;
    QTest::newRow("separate files") << false;
}

void tst_reliabilitytest::difference()
{
    QFETCH(bool, inPlace);
    TestRig rig(5, inPlace);
    rig.test.intNumReliabilityTests = 2;
    QStringList names; // the decrypted files, in the order they were made
    rig.test.afterDecryption = [&] {
        names = rig.driver.lastOutputNames;
        QByteArray bytes = TestFiles::read(rig.folder + names[1]);
        bytes[5] = char(bytes[5] ^ 1);
        TestFiles::write(rig.folder + names[1], bytes);
    };
    rig.test.RunReliabilityTest();

    const QString original = inPlace ? QStringLiteral("bak") : QStringLiteral("tst");
    QString lines;
    for (int i = 0; i < 2; ++i)
        lines += names[i].chopped(3) + original + ", " + names[i] +
                 (i == 0 ? ": identical\n" : ": Files differ at byte 5.\n");
    QString codes;
    for (char c : Key)
        codes += QString::number(int(c)) + QLatin1Char(' ');
    QVERIFY2(rig.report().endsWith("\n\n" + lines +
                                   "Reliability test failed.\nAscii values of bytes in key:\n" +
                                   codes + "\n"),
             qPrintable(rig.report()));
    QVERIFY(!rig.test.passed());
    QCOMPARE(rig.waits, 0);
    QCOMPARE(rig.editor.key().intKeySource, KeyRecord::NotSpecified);
}

QTEST_GUILESS_MAIN(tst_reliabilitytest)
#include "tst_reliabilitytest.moc"
