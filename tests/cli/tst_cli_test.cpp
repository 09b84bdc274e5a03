#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// zr7e-cli test: the reliability test from a script, its report and its exit status.
class tst_cli_test : public QObject
{
    Q_OBJECT

private slots:
    void test_data();
    void test();
};

void tst_cli_test::test_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output"); // on standard output or standard error
    QTest::addColumn<QByteArray>("bak"); // a b.bak of the user's, kept as it is
    QTest::newRow("two runs in place")
        << "zr7test" << QStringList{"--runs", "2", "--in-place"} << 0
        << "Reliability test #2 of 2\n2 test files in " << QByteArray();
    QTest::newRow("separate files")
        << "zr7test" << QStringList{} << 0 << "a.tst, a.dec: identical\n"
        << QByteArray("mine");
    QTest::newRow("a .bak of the user's")
        << "zr7test" << QStringList{"--in-place"} << 1
        << "Error: b.bak differs from b.tst and was not made by the reliability test"
        << QByteArray("mine");
    QTest::newRow("other folder") << "tests" << QStringList{} << 2
                                  << "Error: the reliability test runs on the .tst files of a "
                                     "folder named zr7test."
                                  << QByteArray();
    QTest::newRow("no runs") << "zr7test" << QStringList{"--runs", "0"} << 2
                             << "Error: --runs needs a number from 1 to 32767." << QByteArray();
}

void tst_cli_test::test()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QByteArray, bak);
    QTemporaryDir dir;
    const QString path = dir.filePath(folder + QLatin1Char('/'));
    QDir().mkpath(path);
    const QByteArray a = TestFiles::randomBytes(3000, 1);
    TestFiles::write(path + QStringLiteral("a.tst"), a);
    TestFiles::write(path + QStringLiteral("b.tst"), "A short text file.\n");
    if (!bak.isEmpty())
        TestFiles::write(path + QStringLiteral("b.bak"), bak);
    const CliRun run = RunCli(dir.path(), QStringList{"test", folder, "--key-stdin"} + options,
                              "correct horse battery staple\n");
    QCOMPARE(run.status, status);
    QVERIFY2((run.out + run.err).contains(output), qPrintable(run.out + run.err));
    if (status == 0)
        QVERIFY(run.out.contains(QStringLiteral("All decrypted files were found to be identical "
                                                "with the original files.\n")));
    QCOMPARE(TestFiles::read(path + QStringLiteral("a.tst")), a);
    if (!bak.isEmpty())
        QCOMPARE(TestFiles::read(path + QStringLiteral("b.bak")), bak);
}

QTEST_GUILESS_MAIN(tst_cli_test)
#include "tst_cli_test.moc"
