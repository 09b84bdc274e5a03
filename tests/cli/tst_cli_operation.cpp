#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// zr7e-cli encrypt and decrypt end to end on temporary folders: round trips, in place with and
// without subfolders, the refusals and their exit statuses, and the report line by line.
class tst_cli_operation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripToAnotherFolder();
    void inPlace_data();
    void inPlace();
    void failures_data();
    void failures();
    void refusals_data();
    void refusals();
    void interruptStopsAtNextFile();

private:
    CliRun Cli(QStringList args, const QByteArray& key = Key)
    {
        args << QStringLiteral("--key-stdin");
        return RunCli(m_dir->path(), args, key + '\n');
    }
    QString path(const QString& relative) const { return m_dir->path() + '/' + relative; }
    void write(const QString& relative, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        TestFiles::write(path(relative), data);
    }
    QByteArray read(const QString& relative) const { return TestFiles::read(path(relative)); }

    static constexpr const char* Key = "correct horse battery staple";
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_cli_operation::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_cli_operation::roundTripToAnotherFolder()
{
    const QByteArray letter = QByteArray("Dear reader,\n").repeated(40);
    write(QStringLiteral("docs/letter.txt"), letter);
    write(QStringLiteral("docs/data.bin"), TestFiles::randomBytes(70000, 1));
    QDir().mkpath(path(QStringLiteral("safe")));
    const CliRun encrypted =
        Cli({"encrypt", "--files", "letter.txt", "--to", "safe", "--as", "*.enc", "--yes", "docs"});
    QCOMPARE(encrypted.status, 0);
    const qint64 size = QFileInfo(path(QStringLiteral("safe/letter.enc"))).size();
    const QStringList lines = encrypted.out.split('\n');
    QCOMPARE(
        lines.mid(0, 5),
        (QStringList{QStringLiteral("Encrypting letter.txt in ") + path("docs/"),
                     QStringLiteral("letter.txt    520 bytes   -> letter.enc  %1 bytes").arg(size),
                     "", "Total KB encrypted: 0.51", ""}));
    QCOMPARE(lines.size(), 7);
    QVERIFY(encrypted.err.contains(
        QStringLiteral(
            "Encrypting letter.txt in the folder %1 (1 file) .  The output file is specified as "
            "*.enc in the folder %2\n")
            .arg(path("docs/"), path("safe/"))));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("safe/data.enc"))));

    QDir().mkpath(path(QStringLiteral("back")));
    const CliRun decrypted =
        Cli({"decrypt", "--to", "back", "--as", "*.txt", "--yes", "safe/letter.enc"});
    QCOMPARE(decrypted.status, 0);
    QCOMPARE(read(QStringLiteral("back/letter.txt")), letter);
}

void tst_cli_operation::inPlace_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("deepDone");
    QTest::newRow("folder") << QStringList{"--in-place"} << false;
    QTest::newRow("with subfolders") << QStringList{"--subfolders"} << true;
}

void tst_cli_operation::inPlace()
{
    QFETCH(QStringList, options);
    QFETCH(bool, deepDone);
    const QByteArray top = TestFiles::randomBytes(3 * 1024 * 1024, 2);
    const QByteArray deep = "deep down";
    write(QStringLiteral("tree/top.dat"), top);
    write(QStringLiteral("tree/sub/deep.txt"), deep);
    CliRun run = Cli(QStringList{"encrypt", "--yes", "tree"} + options);
    QCOMPARE(run.status, 0);
    QVERIFY(read(QStringLiteral("tree/top.dat")) != top);
    QCOMPARE(read(QStringLiteral("tree/sub/deep.txt")) != deep, deepDone);
    run = Cli(QStringList{"decrypt", "--yes", "tree"} + options);
    QCOMPARE(run.status, 0);
    QCOMPARE(read(QStringLiteral("tree/top.dat")), top);
    QCOMPARE(read(QStringLiteral("tree/sub/deep.txt")), deep);
    QCOMPARE(QDir(path(QStringLiteral("tree"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{"top.dat"});
}

void tst_cli_operation::failures_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("messages");
    const QString invalid = QStringLiteral(
        "Invalid block size.\n              Decryption key is incorrect or ciphertext is corrupt.");
    QTest::newRow("wrong key") << QStringList{"secret.enc"} << QByteArray("a different key, long")
                               << invalid << QString();
    QTest::newRow("not encrypted")
        << QStringList{"plain.txt"} << QByteArray(Key) << "skipped (file seems not encrypted)"
        << "Anomaly: This file appears NOT to be encrypted?\nAttempt to decrypt it anyway?\n"
           "(answered No)\n";
    QTest::newRow("not encrypted, forced")
        << QStringList{"--force", "plain.txt"} << QByteArray(Key) << invalid
        << "Anomaly: This file appears NOT to be encrypted?\nAttempt to decrypt it anyway?\n"
           "(answered Yes)\n";
}

void tst_cli_operation::failures()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, key);
    QFETCH(QString, report);
    QFETCH(QString, messages);
    const QByteArray plain = QByteArray("Plain words, nothing hidden. ").repeated(20);
    write(QStringLiteral("plain.txt"), plain);
    QCOMPARE(Cli({"encrypt", "--yes", "--to", ".", "--as", "secret.enc", "plain.txt"}).status, 0);
    const QByteArray secret = read(QStringLiteral("secret.enc"));
    const CliRun run = Cli(QStringList{"decrypt", "--yes", "--as", "*.out"} + options, key);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(report), qPrintable(run.out));
    if (!messages.isEmpty())
        QVERIFY2(run.err.contains(messages), qPrintable(run.err));
    QCOMPARE(read(QStringLiteral("plain.txt")), plain);
    QCOMPARE(read(QStringLiteral("secret.enc")), secret);
    QVERIFY(QDir(m_dir->path()).entryList({"*.out"}, QDir::Files).isEmpty());
}

void tst_cli_operation::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("duplicate output names")
        << QStringList{"encrypt", "--yes", "--as", "*.txt", "dup"}
        << "Error: Output file specification \"*.txt\" produces duplicate output filenames!";
    QTest::newRow("empty folder") << QStringList{"encrypt", "--yes", "empty"}
                                  << "Empty folder: The input folder contains no files and no "
                                     "subfolders.";
    QTest::newRow("no confirmation without a terminal")
        << QStringList{"encrypt", "dup"}
        << "Error: Without a terminal, confirm the operation with --yes.";
    QTest::newRow("subfolders to another folder")
        << QStringList{"encrypt", "--yes", "--subfolders", "--to", "empty", "dup"}
        << ": If subfolders are included then the output files must be the same as the input "
           "files.";
    QTest::newRow("unknown option")
        << QStringList{"encrypt", "--fast", "dup"} << "Error: unexpected argument --fast";
    QTest::newRow("missing output folder")
        << QStringList{"encrypt", "--to", "nowhere", "dup"} << "does not exist.";
}

void tst_cli_operation::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    write(QStringLiteral("dup/a.doc"), "first");
    write(QStringLiteral("dup/a.rtf"), "second");
    QDir().mkpath(path(QStringLiteral("empty")));
    const CliRun run = Cli(args);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(read(QStringLiteral("dup/a.doc")), QByteArray("first"));
    QCOMPARE(read(QStringLiteral("dup/a.rtf")), QByteArray("second"));
    QCOMPARE(QDir(path(QStringLiteral("dup"))).entryList(QDir::Files).size(), 2);
}

void tst_cli_operation::interruptStopsAtNextFile()
{
    const int files = 12;
    for (int i = 0; i < files; ++i)
        write(QStringLiteral("big/f%1.dat").arg(i), TestFiles::randomBytes(16 << 20, i));
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(ZR7_CLI),
                  {"encrypt", "--yes", "--in-place", "big", "--key-stdin"});
    process.write(QByteArray(Key) + '\n');
    process.closeWriteChannel();
    // The header is printed as soon as the batch starts; Ctrl-C then ends it after a file.
    QString out;
    while (!out.contains(QLatin1String("Encrypting")) && process.waitForReadyRead(30000))
        out += QString::fromUtf8(process.readAllStandardOutput());
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 130);
    out += QString::fromUtf8(process.readAllStandardOutput());
    const int done = int(out.count(QLatin1String(" bytes   -> ")));
    QVERIFY2(done >= 1 && done < files, qPrintable(out));
    // The statistics of a stopped batch are still written.
    QVERIFY2(out.contains(QStringLiteral("Total KB encrypted: ")), qPrintable(out));
}

QTEST_GUILESS_MAIN(tst_cli_operation)
#include "tst_cli_operation.moc"
