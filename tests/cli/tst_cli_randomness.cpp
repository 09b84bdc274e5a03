#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// zr7e-cli randomness on a folder: the listing as the report window holds it.
class tst_cli_randomness : public QObject
{
    Q_OBJECT

private slots:
    void folder();
    void picture();
    void pictureReplacesOnlyWhatItMay_data();
    void pictureReplacesOnlyWhatItMay();
};

void tst_cli_randomness::folder()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath(QStringLiteral("Data.BIN")), TestFiles::randomBytes(40000, 3));
    TestFiles::write(dir.filePath(QStringLiteral("notes.txt")), QByteArray(100, 'n'));
    const CliRun run = RunCli(dir.path(), {QStringLiteral("randomness"), dir.path()});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[0], QDir(dir.path()).absolutePath() + QLatin1Char('/'));
    // The folder's order decides which file comes first; sorted, the blanks go first.
    QStringList files = lines.mid(1, 2);
    files.sort();
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^(0.9\\d\\d|1.000) \\* Data\\.BIN \\(40.000 bytes\\)   $"))
                 .match(files[1])
                 .hasMatch(),
             qPrintable(files[1]));
    QCOMPARE(files[0], QStringLiteral("        notes.txt (100 bytes)   "));
    QCOMPARE(lines.mid(3, 3),
             QStringList({QString(), QString(), QStringLiteral("Number of files processed: 2")}));
    QCOMPARE(lines[6], QString());
    QVERIFY(lines[7].contains(QRegularExpression(QStringLiteral(", \\d\\d:\\d\\d$"))));
    QCOMPARE(lines[8], QString()); // the last line ends with a line break
}

// --picture writes the single file's byte-pair picture as a 256 x 256 PNG.
void tst_cli_randomness::picture()
{
    QTemporaryDir dir;
    TestFiles::write(dir.filePath(QStringLiteral("x.bin")), TestFiles::randomBytes(5000, 4));
    const QString png = dir.filePath(QStringLiteral("x.png"));
    const CliRun run = RunCli(dir.path(), {"randomness", "--picture", png, "x.bin"});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("Filesize = 5,000 bytes\nRandomness = ")));
    const QByteArray bytes = TestFiles::read(png);
    QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(bytes.mid(16, 8), QByteArray::fromHex("0000010000000100")); // width, height
}

void tst_cli_randomness::pictureReplacesOnlyWhatItMay_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("refusal"); // part of the message
    const QString never = QStringLiteral("; it is never replaced.");
    QTest::newRow("the measured file")
        << QStringList{"--picture", "x.bin", "--force"} << 2 << never;
    QTest::newRow("a second name of the measured file")
        << QStringList{"--picture", "hard.bin", "--force"} << 2 << never;
    QTest::newRow("a link to another file")
        << QStringList{"--picture", "link.png", "--force"} << 2 << never;
    QTest::newRow("an existing picture")
        << QStringList{"--picture", "old.png"} << 2 << "add --force to replace it.";
    QTest::newRow("an existing picture, forced")
        << QStringList{"--picture", "old.png", "--force"} << 0 << "";
}

// Only a file the user named, and allowed to be replaced, is replaced; the others are refused
// before anything is measured.
void tst_cli_randomness::pictureReplacesOnlyWhatItMay()
{
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, refusal);
    QTemporaryDir dir;
    const QByteArray data = TestFiles::randomBytes(5000, 4);
    TestFiles::write(dir.filePath(QStringLiteral("x.bin")), data);
    TestFiles::write(dir.filePath(QStringLiteral("old.png")), "old");
    TestFiles::write(dir.filePath(QStringLiteral("other")), "other");
    QCOMPARE(::link(TestFiles::native(dir.filePath("x.bin")).c_str(),
                    TestFiles::native(dir.filePath("hard.bin")).c_str()),
             0);
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("other")), dir.filePath("link.png")));
    const CliRun run = RunCli(dir.path(), QStringList{"randomness", "x.bin"} + options);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
    QCOMPARE(run.out.isEmpty(), status != 0);
    QCOMPARE(TestFiles::read(dir.filePath("x.bin")), data);
    QCOMPARE(TestFiles::read(dir.filePath("other")), QByteArray("other"));
    QCOMPARE(TestFiles::read(dir.filePath("old.png")).startsWith("\x89PNG"), status == 0);
    QVERIFY(QFileInfo(dir.filePath("link.png")).isSymLink());
}

QTEST_GUILESS_MAIN(tst_cli_randomness)
#include "tst_cli_randomness.moc"
