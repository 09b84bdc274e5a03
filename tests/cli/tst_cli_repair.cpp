#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Repairable files from the command line: verify tells damage the parity mends from damage it
// cannot, repair rewrites only a file it mends, and encrypt --repairable makes files that
// decrypt as any other.
class tst_cli_repair : public QObject
{
    Q_OBJECT

private slots:
    void verifyAndRepair_data();
    void verifyAndRepair();
    void encryptRepairable();
};

namespace {

const QString Vectors = QStringLiteral(ZR7_TEST_DATA "/vectors/");
const QStringList Key{"--key-file", Vectors + "key.txt"};

} // namespace

void tst_cli_repair::verifyAndRepair_data()
{
    QTest::addColumn<QString>("vector");
    QTest::addColumn<QString>("verified");
    QTest::addColumn<QString>("repaired");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("mended"); // the file then equals the undamaged one
    QTest::newRow("intact") << "repairable.zr7"
                            << "  verified"
                            << "intact: nothing to repair" << 0 << true;
    QTest::newRow("a sector zeroed")
        << "repairable-sector.zr7"
        << "repairable damage: its parity mends 4,077 bytes in 1 sector"
        << "repaired: 4,077 bytes in 1 sector mended" << 0 << true;
    QTest::newRow("bytes garbled") << "repairable-bytes.zr7"
                                   << "repairable damage"
                                   << "repaired: " << 0 << true;
    QTest::newRow("beyond repair") << "repairable-beyond.zr7"
                                   << "damaged beyond repair"
                                   << "damaged beyond repair" << 1 << false;
    QTest::newRow("a plain file") << "small.zr7"
                                  << "  verified"
                                  << "not a repairable file" << 1 << false;
}

void tst_cli_repair::verifyAndRepair()
{
    QFETCH(QString, vector);
    QFETCH(QString, verified);
    QFETCH(QString, repaired);
    QFETCH(int, status);
    QFETCH(bool, mended);
    QTemporaryDir dir;
    const QString file = dir.filePath(vector);
    QVERIFY(QFile::copy(Vectors + vector, file));

    const CliRun verify = RunCli(dir.path(), QStringList{"verify"} + Key + QStringList{file});
    QVERIFY2(verify.out.contains(verified), qPrintable(verify.out));
    QCOMPARE(verify.status, verified == QLatin1String("  verified") ? 0 : 1);

    const QByteArray before = TestFiles::read(file);
    const CliRun repair = RunCli(dir.path(), {"repair", file});
    QVERIFY2(repair.out.contains(repaired), qPrintable(repair.out));
    QCOMPARE(repair.status, status);
    QCOMPARE(TestFiles::read(file), mended ? TestFiles::read(Vectors + "repairable.zr7") : before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{vector});
}

void tst_cli_repair::encryptRepairable()
{
    QTemporaryDir dir;
    const QByteArray plain = TestFiles::randomBytes(100000, 7);
    QVERIFY(TestFiles::write(dir.filePath("a"), plain));
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QStringList run = QStringList{"--yes", "--quiet"} + Key;
    QCOMPARE(RunCli(dir.path(), QStringList{"encrypt", "--repairable", "a"} + run).status, 0);
    QCOMPARE(RunCli(dir.path(), {"repair", "a"}).out,
             QStringLiteral("a  intact: nothing to repair\n"));
    // Decryption needs no switch, and refuses one.
    const CliRun refused =
        RunCli(dir.path(), QStringList{"decrypt", "--repairable", "--to", "out", "a"} + run);
    QCOMPARE(refused.status, 2);
    QVERIFY(refused.err.contains("--repairable is for encrypt"));
    QCOMPARE(RunCli(dir.path(), QStringList{"decrypt", "--to", "out", "a"} + run).status, 0);
    QCOMPARE(TestFiles::read(dir.filePath("out/a")), plain);
}

QTEST_GUILESS_MAIN(tst_cli_repair)
#include "tst_cli_repair.moc"
