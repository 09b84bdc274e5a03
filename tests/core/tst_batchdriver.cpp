#include "BatchFixture.h"
#include "TestFiles.h"
#include "core/ReportView.h"
#include "engine/RepairLayout.h"
#include "keys/ZR7KeyFrom.h"
#include "support/SizeText.h"

#include <QFile>
#include <QLocale>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

// A batch over a folder tree: the report lines, the closing statistics, the refusal of
// duplicate output names, Stop and Pause, a full report, the measuring pass.
class TestBatchDriver : public QObject
{
    Q_OBJECT

private slots:
    void oneFileDone();
    void oneFileFailed();
    void twoFilesReportLineByLine();
    void elapsedTime_data();
    void elapsedTime();
    void duplicateOutputNames_data();
    void duplicateOutputNames();
    void stopDuringPause();
    void pausedTimeIsNotElapsed();
    void subfolderWithoutMatches();
    void reportFull_data();
    void reportFull();
    void measuringPass_data();
    void measuringPass();
    void stopBeforeFirstFile();
    void specialFiles_data();
    void specialFiles();
    void workAheadOfTheKey_data();
    void workAheadOfTheKey();
    void repairableFiles_data();
    void repairableFiles();
};

namespace {

QString DateLine()
{
    return QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat) +
           QStringLiteral(", 10:20");
}

QString Bytes(qint64 size)
{
    return StrProc::NumberLocale().toString(size) + QStringLiteral(" bytes");
}

bool MakeSocket(const QByteArray& path)
{
    sockaddr_un address = {AF_UNIX, {}};
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && !::close(fd);
}

} // namespace

void TestBatchDriver::oneFileDone()
{
    BatchFixture f;
    f.write(QStringLiteral("in/a.txt"), "hello");
    f.Run(QStringLiteral("in"), QStringLiteral("*.*"), QStringLiteral("out"),
          QStringLiteral("*.enc"));
    const qint64 size = QFileInfo(f.path(QStringLiteral("out/a.enc"))).size();
    const QStringList expected = {
        QStringLiteral("Encrypting *.* in ") + f.path(QStringLiteral("in/")),
        QStringLiteral("a.txt         5 bytes   -> a.enc  ") + Bytes(size),
        QString(),
        QStringLiteral("Total KB encrypted: 0.00"),
        QString(),
        DateLine(),
        QString()};
    QCOMPARE(f.lines(), expected);
    QCOMPARE(f.decrypted(QStringLiteral("out/a.enc")), QByteArray("hello"));
    QCOMPARE(f.driver.status(), QStringLiteral("Done"));
}

void TestBatchDriver::oneFileFailed()
{
    BatchFixture f;
    f.write(QStringLiteral("in/empty.txt"), QByteArray());
    f.Run(QStringLiteral("in"), QStringLiteral("*.*"), QStringLiteral("out"),
          QStringLiteral("*.enc"));
    QVERIFY(f.report().contains(QStringLiteral("empty.txt     This file is empty (0 bytes).\n")));
    QVERIFY(f.report().contains(QStringLiteral("\nNumber of files encrypted: 0\n")));
    QVERIFY(!f.report().contains(QStringLiteral("Number of files processed:")));
    QVERIFY(!f.report().contains(QStringLiteral("Total KB ")));
    QCOMPARE(f.driver.status(), QString());
}

void TestBatchDriver::twoFilesReportLineByLine()
{
    BatchFixture f;
    f.setup.blnEncrypt = false;
    const QByteArray big = QByteArray(1100 * 1024, 'x');
    f.writeEncrypted(QStringLiteral("b.enc"), big);
    f.writeEncrypted(QStringLiteral("a-long-file-name.enc"), "abc");
    f.Run(QString(), QStringLiteral("*.enc"), QStringLiteral("plain"), QStringLiteral("*.txt"));
    QStringList lines = f.lines();
    // Files come in the order the folder lists them.
    const QString bigSize = Bytes(QFileInfo(f.path(QStringLiteral("b.enc"))).size());
    const QString smallSize =
        Bytes(QFileInfo(f.path(QStringLiteral("a-long-file-name.enc"))).size());
    const QStringList fileLines = {QStringLiteral("b.enc         ") + bigSize +
                                       QStringLiteral("   -> b.txt  ") + Bytes(big.size()),
                                   QStringLiteral("a-long-file-name.enc  ") + smallSize +
                                       QStringLiteral("   -> a-long-file-name.txt  3 bytes")};
    QCOMPARE(lines.at(0), QStringLiteral("Decrypting *.enc in ") + f.path(QString()));
    const QStringList swapped = {fileLines[1], fileLines[0]};
    QVERIFY(lines.mid(1, 2) == fileLines || lines.mid(1, 2) == swapped);
    const QStringList tail = {QString(),
                              QString(),
                              QStringLiteral("Number of files processed: 2"),
                              QStringLiteral("Number of files decrypted: 2"),
                              QStringLiteral("Total KB decrypted: 1,100"),
                              QString(),
                              DateLine(),
                              QString()};
    QCOMPARE(lines.mid(3), tail);
    QCOMPARE(f.read(QStringLiteral("plain/b.txt")), big);
    // Bytes done are input bytes: here the ciphertexts.
    QCOMPARE(f.driver.counters().bytesDone,
             QFileInfo(f.path(QStringLiteral("b.enc"))).size() +
                 QFileInfo(f.path(QStringLiteral("a-long-file-name.enc"))).size());
}

void TestBatchDriver::elapsedTime_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<QString>("line");
    QTest::newRow("across midnight") << 86398.0 << 5.0 << QStringLiteral("Elapsed time: 7 seconds");
    QTest::newRow("one minute") << 100.0 << 161.4
                                << QStringLiteral("Elapsed time: 1 minute and 1 second");
    QTest::newRow("three seconds or less") << 100.0 << 103.0 << QString();
}

void TestBatchDriver::elapsedTime()
{
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(QString, line);
    BatchFixture f;
    f.clock = {start, end};
    f.write(QStringLiteral("a.txt"), "hello");
    f.Run(QString(), QStringLiteral("a.txt"), QStringLiteral("out"), QStringLiteral("*.*"));
    if (line.isEmpty())
        QVERIFY(!f.report().contains(QStringLiteral("Elapsed time: ")));
    else
        QVERIFY2(f.lines().contains(line), qPrintable(f.report()));
}

void TestBatchDriver::duplicateOutputNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("outputSpec");
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("two extensions")
        << QStringList{"a.doc", "a.rtf", "b.doc"} << QStringLiteral("*.txt") << true;
    QTest::newRow("fixed name") << QStringList{"x.doc", "y.doc"} << QStringLiteral("out.txt")
                                << true;
    // Names that differ in letter case are two files on Linux, and so are their outputs.
    QTest::newRow("letter case only")
        << QStringList{"Report.doc", "report.doc"} << QStringLiteral("*.txt") << false;
}

void TestBatchDriver::duplicateOutputNames()
{
    QFETCH(QStringList, names);
    QFETCH(QString, outputSpec);
    QFETCH(bool, duplicate);
    BatchFixture f;
    for (const QString& name : names)
        f.write(name, name.toUtf8());
    f.Run(QString(), QStringLiteral("*.*"), QStringLiteral("out"), outputSpec);
    if (!duplicate) {
        QCOMPARE(f.result.outcome, BatchOutcome::Finished);
        QCOMPARE(f.driver.counters().filesDone, names.size());
        return;
    }
    QCOMPARE(f.result.outcome, BatchOutcome::DuplicateOutputNames);
    QCOMPARE(f.interaction.shown,
             QStringList{QStringLiteral("Error: Output file specification \"") + outputSpec +
                         QStringLiteral("\" produces duplicate output filenames!")});
    QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("out"))) ||
            QDir(f.path(QStringLiteral("out"))).isEmpty());
    for (const QString& name : names)
        QCOMPARE(f.read(name), name.toUtf8());
    QCOMPARE(f.driver.counters().filesProcessed, 0);
}

void TestBatchDriver::stopDuringPause()
{
    BatchFixture f;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        f.write(QString::fromLatin1(name), "plain");
    // Pause is clicked while the first file is worked on; it takes effect after that file,
    // and Stop comes while the batch waits.
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage, const InPlaceFile&) {
        if (!f.driver.paused())
            f.driver.PauseOrContinue();
    };
    QTimer::singleShot(100, [&] {
        QCOMPARE(f.driver.status(), QStringLiteral("Paused ..."));
        f.driver.StopAtNextFile();
    });
    f.Run(QString(), QStringLiteral("*.txt"), QStringLiteral("out"), QStringLiteral("*.enc"));
    QCOMPARE(f.driver.counters().filesProcessed, 1);
    QCOMPARE(f.driver.status(), QStringLiteral("Stopped"));
    QCOMPARE(QDir(f.path(QStringLiteral("out"))).entryList(QDir::Files).size(), 1);
    QVERIFY(f.driver.stopRequested());
}

void TestBatchDriver::pausedTimeIsNotElapsed()
{
    BatchFixture f;
    f.write(QStringLiteral("a.txt"), "plain");
    f.write(QStringLiteral("b.txt"), "plain");
    // Start, pause begins, pause ends, end: 62 seconds in all, 59 of them paused.
    f.clock = {100, 101, 160, 162};
    // Pause while the second file is worked on, Continue 20 ms later.
    int opened = 0;
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage, const InPlaceFile&) {
        if (++opened == 2) {
            f.driver.PauseOrContinue();
            QTimer::singleShot(20, [&] { f.driver.PauseOrContinue(); });
        }
    };
    f.Run(QString(), QStringLiteral("*.txt"), QStringLiteral("out"), QStringLiteral("*.enc"));
    QCOMPARE(f.driver.counters().filesDone, 2);
    QCOMPARE(f.driver.counters().pausedSeconds, 59.0);
    QVERIFY2(!f.report().contains(QStringLiteral("Elapsed time: ")), qPrintable(f.report()));
    QCOMPARE(f.driver.status(), QStringLiteral("Done"));
}

void TestBatchDriver::subfolderWithoutMatches()
{
    BatchFixture f;
    f.setup.blnSubdirectories = true;
    f.setup.blnOutputFilesSame = true;
    f.write(QStringLiteral("top/sub/readme.md"), "not matched");
    f.write(QStringLiteral("top/sub/deeper/a.txt"), "matched");
    // A subfolder whose name is not UTF-8 gets its line in its folder's block, and no message.
    const QByteArray latin1 =
        QFile::encodeName(f.path(QStringLiteral("top/sub/deeper/old"))) + '\xe9';
    QCOMPARE(::mkdir(latin1.constData(), 0700), 0);
    f.Run(QStringLiteral("top"), QStringLiteral("*.txt"), QStringLiteral("top"),
          QStringLiteral("*.txt"));
    const QStringList headers = f.lines().filter(QStringLiteral("Encrypting "));
    QCOMPARE(headers, QStringList{QStringLiteral("Encrypting *.txt in ") +
                                  f.path(QStringLiteral("top/sub/deeper/"))});
    QCOMPARE(f.decrypted(QStringLiteral("top/sub/deeper/a.txt")), QByteArray("matched"));
    QCOMPARE(f.read(QStringLiteral("top/sub/readme.md")), QByteArray("not matched"));
    QVERIFY(f.lines().contains(QStringLiteral("old\\xE9/      The name of this folder is not "
                                              "valid UTF-8, so the program cannot open it.")));
    QCOMPARE(f.interaction.shown, QStringList());
}

void TestBatchDriver::reportFull_data()
{
    QTest::addColumn<bool>("goOn");
    QTest::newRow("Yes: quietly on") << true;
    QTest::newRow("No: stop") << false;
}

void TestBatchDriver::reportFull()
{
    QFETCH(bool, goOn);
    BatchFixture f;
    const int files = 12;
    for (int i = 0; i < files; ++i)
        f.write(QStringLiteral("f%1.txt").arg(i, 2, 10, QLatin1Char('0')), "some plaintext");
    f.driver.report().SetCapacity(600);
    f.interaction.Expect(QStringLiteral("Report buffer full"),
                         goOn ? Interaction::Yes : Interaction::No);
    f.Run(QString(), QStringLiteral("*.txt"), QStringLiteral("out"), QStringLiteral("*.enc"));
    QVERIFY(f.interaction.scriptDone());
    QVERIFY(f.interaction.shown.first().startsWith(QStringLiteral("Error: The report holds")));
    QVERIFY(f.report().contains(QStringLiteral("The output report buffer was filled.\n")));
    const qint64 encrypted = QDir(f.path(QStringLiteral("out"))).entryList(QDir::Files).size();
    if (goOn) {
        QVERIFY(f.report().contains(
            QStringLiteral("Subsequent operations on individual files will continue,\n"
                           "but results will not be reported here.\n\n")));
        // Every file is encrypted, including the one whose line no longer fitted.
        QCOMPARE(encrypted, files);
        QVERIFY(f.report().contains(QStringLiteral("Number of files encrypted: 12\n")));
    } else {
        QVERIFY(f.report().contains(
            QStringLiteral("This operation was terminated at the user's request.\n"
                           "Note: Some files were not encrypted.\n")));
        QVERIFY(encrypted < files);
        QCOMPARE(f.result.outcome, BatchOutcome::Stopped);
    }
}

void TestBatchDriver::measuringPass_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<qint64>("total");
    const qint64 large = 5LL << 30;
    QTest::newRow("new files: sum") << false << large + 10;
    QTest::newRow("in place: largest") << true << large;
}

void TestBatchDriver::measuringPass()
{
    QFETCH(bool, inPlace);
    QFETCH(qint64, total);
    BatchFixture f;
    f.setup.blnOutputFilesSame = inPlace;
    f.write(QStringLiteral("small.txt"), "0123456789");
    // A sparse file: its size is 64-bit, its blocks cost nothing.
    QFile large(f.path(QStringLiteral("large.bin")));
    QVERIFY(large.open(QIODevice::WriteOnly));
    QVERIFY(large.resize(5LL << 30));
    large.close();
    const BatchResult result = f.driver.Measure(
        f.Request(QString(), QStringLiteral("*.*"), inPlace ? QString() : QStringLiteral("out"),
                  inPlace ? QStringLiteral("*.*") : QStringLiteral("*.enc")));
    QCOMPARE(result.totalInputSize, total);
    QVERIFY(f.report().isEmpty());
    QCOMPARE(f.driver.status(), QString());
}

// Stop clicked as the batch starts, while the walk has found no file yet: the statistics say
// that none was processed.
void TestBatchDriver::stopBeforeFirstFile()
{
    BatchFixture f;
    f.setup.blnSubdirectories = true;
    f.setup.blnOutputFilesSame = true;
    f.write(QStringLiteral("top/sub/a.txt"), "plain");
    f.interaction.onProcessEvents = [&f] {
        if (f.driver.status().isEmpty())
            f.driver.StopAtNextFile();
    };
    f.Run(QStringLiteral("top"), QStringLiteral("*.txt"), QStringLiteral("top"),
          QStringLiteral("*.txt"));
    QVERIFY2(f.lines().contains(QStringLiteral("Number of files processed: 0")),
             qPrintable(f.report()));
    QVERIFY(f.lines().contains(QStringLiteral("Number of files encrypted: 0")));
    QCOMPARE(f.driver.status(), QStringLiteral("Stopped"));
    QCOMPARE(f.read(QStringLiteral("top/sub/a.txt")), QByteArray("plain"));
}

// Entries that are no regular file nor a link to one get a line each and count as not done, in
// a new-file run as in place.
void TestBatchDriver::specialFiles_data()
{
    QTest::addColumn<QByteArray>("target"); // of a link; "|" makes a pipe, "=" a socket
    QTest::newRow("pipe") << QByteArray("|");
    QTest::newRow("socket") << QByteArray("=");
    QTest::newRow("dangling link") << QByteArray("gone.txt");
    QTest::newRow("link loop") << QByteArray("s.txt");
    QTest::newRow("link to a folder") << QByteArray(".");
    QTest::newRow("link to a device") << QByteArray("/dev/null");
}

void TestBatchDriver::specialFiles()
{
    QFETCH(QByteArray, target);
    for (const bool inPlace : {false, true}) {
        BatchFixture f;
        f.setup.blnOutputFilesSame = inPlace;
        f.write("in/a.txt", "text");
        const QByteArray entry = QFile::encodeName(f.path("in/s.txt"));
        QVERIFY(target == "|"   ? ::mkfifo(entry, 0600) == 0
                : target == "=" ? MakeSocket(entry)
                                : ::symlink(target, entry) == 0);
        f.Run("in", "*.txt", inPlace ? "in" : "out", "*.*");
        QVERIFY(f.lines().contains("s.txt         This is a symbolic link or a special file.  "
                                   "Encryption not performed."));
        QCOMPARE(f.driver.counters().filesProcessed, 2);
        QCOMPARE(f.driver.counters().filesDone, 1);
    }
}

void TestBatchDriver::workAheadOfTheKey_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<bool>("plainAmongThem");
    QTest::addColumn<bool>("wrongKey");
    QTest::newRow("encrypt to another folder") << true << "out" << false << false;
    QTest::newRow("encrypt beside the inputs") << true << "in" << false << false;
    QTest::newRow("decrypt to another folder") << false << "out" << false << false;
    QTest::newRow("decrypt, one file not encrypted") << false << "out" << true << false;
    QTest::newRow("decrypt with the wrong key") << false << "out" << false << true;
}

// Output files made and inputs measured while the key is derived: every output is what it
// would have been, a file that does not look encrypted is still asked about, and no file made
// ahead stays behind, whether taken or not.
void TestBatchDriver::workAheadOfTheKey()
{
    QFETCH(bool, encrypt);
    QFETCH(QString, outputFolder);
    QFETCH(bool, plainAmongThem);
    QFETCH(bool, wrongKey);
    BatchFixture f;
    // A derivation slow enough for the batch to start while it runs.
    f.engine.set_kdf_params({2, 24});
    QList<QByteArray> plain;
    for (int i = 0; i < 6; ++i) {
        const bool notEncrypted = plainAmongThem && i == 2;
        plain.append(notEncrypted ? QByteArray(300, 'x') : TestFiles::randomBytes(300 + i, i));
        const QString name = QStringLiteral("in/f%1.").arg(i);
        if (encrypt || notEncrypted)
            f.write(name + QStringLiteral("src"), plain.last());
        else
            f.writeEncrypted(name + QStringLiteral("src"), plain.last());
    }
    if (plainAmongThem) {
        f.interaction.Expect(QStringLiteral("Anomaly"), Interaction::No);
        f.interaction.Expect(QStringLiteral("Abort?"), Interaction::No);
    }
    if (wrongKey)
        f.key.strKey = QByteArray("another key of the same kind, long enough to be taken as one");
    f.setup.blnEncrypt = encrypt;
    f.driver.fileOps().UseKey(ZR7KeyFrom::ExtendedKey(f.key.strKey.view()));
    f.driver.fileOps().PrepareKey(f.path(QStringLiteral("in/f0.src")), encrypt);
    f.Run(QStringLiteral("in"), QStringLiteral("*.src"), outputFolder, QStringLiteral("*.out"));

    QVERIFY(f.interaction.scriptDone());
    const QDir output(f.path(outputFolder));
    const QStringList temporary{QStringLiteral(".zr7-*")};
    QCOMPARE(output.entryList(temporary, QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(f.path(QStringLiteral("in"))).entryList(temporary, QDir::Files | QDir::Hidden),
             QStringList());
    const int expected = wrongKey ? 0 : plainAmongThem ? 5 : 6;
    QCOMPARE(f.result.counters.filesDone, expected);
    QCOMPARE(output.entryList({QStringLiteral("*.out")}, QDir::Files).size(), expected);
    if (wrongKey)
        return;
    for (int i = 0; i < 6; ++i) {
        const QString out = outputFolder + QStringLiteral("/f%1.out").arg(i);
        if (plainAmongThem && i == 2)
            QVERIFY(!QFileInfo::exists(f.path(out)));
        else
            QCOMPARE(encrypt ? f.decrypted(out) : f.read(out), plain[i]);
    }
}

QTEST_GUILESS_MAIN(TestBatchDriver)
void TestBatchDriver::repairableFiles_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("repairable");
    QTest::addColumn<bool>("engineRepairable"); // the form the engine is told to write
    QTest::newRow("plain encryption") << true << false << false;
    QTest::newRow("repairable encryption") << true << true << true;
    QTest::newRow("decryption, switch on: it writes no such form") << false << true << false;
}

// The batch tells the engine which form to write, whatever an earlier batch told it; a
// repairable file is the plain one followed by its parity, and decrypts to the same bytes.
void TestBatchDriver::repairableFiles()
{
    QFETCH(bool, encrypt);
    QFETCH(bool, repairable);
    QFETCH(bool, engineRepairable);
    BatchFixture f;
    const QByteArray plain = TestFiles::randomBytes(5000, 7);
    f.write(QStringLiteral("in/a.txt"), plain);
    f.Run(QStringLiteral("in"), QStringLiteral("*.*"), QStringLiteral("plain"),
          QStringLiteral("*.out"));
    const qint64 plainSize = QFileInfo(f.path(QStringLiteral("plain/a.out"))).size();
    f.engine.set_repairable(!engineRepairable);
    f.setup.blnEncrypt = encrypt;
    f.setup.blnRepairable = repairable;
    f.Run(encrypt ? QStringLiteral("in") : QStringLiteral("plain"), QStringLiteral("*.*"),
          QStringLiteral("out"), QStringLiteral("*.out"));
    QCOMPARE(f.engine.repairable(), engineRepairable);
    if (!encrypt)
        return;
    QCOMPARE(QFileInfo(f.path(QStringLiteral("out/a.out"))).size(),
             qint64(repairable ? RepairLayout(quint64(plainSize)).fileSize() : plainSize));
    QCOMPARE(f.decrypted(QStringLiteral("out/a.out")), plain);
}

#include "tst_batchdriver.moc"
