#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void keyfileMustBeRegular_data();
    void keyfileMustBeRegular();
    void interruptStopsAtNextFile_data();
    void interruptStopsAtNextFile();
    void replacedOutputFileIsTold();
    void someFilesNotDone_data();
    void someFilesNotDone();
    void inPlaceWithOutputOptions_data();
    void inPlaceWithOutputOptions();
    void everyNameIsAccountedFor();
    void onlyTheNamedFilesAreTouched_data();
    void onlyTheNamedFilesAreTouched();
    void manners_data();
    void manners();

private:
    CliRun Cli(QStringList args, const QByteArray& key = Key)
    {
        args.insert(1, QStringLiteral("--key-stdin"));
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
    QStringList lines = encrypted.out.split('\n');
    // A run slowed down past three seconds (a busy machine) also gets its elapsed time.
    lines.removeIf([](const QString& line) { return line.startsWith("Elapsed time: "); });
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
           "zr7e-cli: (answered No)\n";
    QTest::newRow("not encrypted, forced")
        << QStringList{"--force", "plain.txt"} << QByteArray(Key) << invalid
        << "Anomaly: This file appears NOT to be encrypted?\nAttempt to decrypt it anyway?\n"
           "zr7e-cli: (answered Yes)\n";
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
        << QStringList{"encrypt", "--to", "nowhere", "dup"} << "nowhere/ does not exist.";
    QTest::newRow("mistyped input")
        << QStringList{"encrypt", "--yes", "dup/a.dox"} << "Error: dup/a.dox does not exist.\n";
    QTest::newRow("a named pipe as the input")
        << QStringList{"encrypt", "--yes", "pipe"}
        << "Error: pipe is a named pipe (FIFO), not a file or a folder: only files and folders "
           "can be encrypted or decrypted.\n";
}

void tst_cli_operation::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    write(QStringLiteral("dup/a.doc"), "first");
    write(QStringLiteral("dup/a.rtf"), "second");
    QDir().mkpath(path(QStringLiteral("empty")));
    ::mkfifo(TestFiles::native(path(QStringLiteral("pipe"))).c_str(), 0600);
    const CliRun run = Cli(args);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(read(QStringLiteral("dup/a.doc")), QByteArray("first"));
    QCOMPARE(read(QStringLiteral("dup/a.rtf")), QByteArray("second"));
    QCOMPARE(QDir(path(QStringLiteral("dup"))).entryList(QDir::Files).size(), 2);
}

void tst_cli_operation::keyfileMustBeRegular_data()
{
    QTest::addColumn<QString>("keyfile");
    QTest::newRow("/dev/urandom") << "/dev/urandom";
    QTest::newRow("FIFO without a writer") << "key.fifo";
}

// A key that cannot be read again would make the encrypted file unreadable.
void tst_cli_operation::keyfileMustBeRegular()
{
    QFETCH(QString, keyfile);
    const QByteArray letter = "a letter that must stay readable";
    write(QStringLiteral("letter.txt"), letter);
    QCOMPARE(::mkfifo(TestFiles::native(path(QStringLiteral("key.fifo"))).c_str(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    const CliRun run =
        RunCli(m_dir->path(), {"encrypt", "--key-file", keyfile, "--yes", "letter.txt"});
    QVERIFY2(timer.elapsed() < 10000, "the keyfile was waited for");
    QCOMPARE(run.err, "zr7e-cli: Keyfile error: " + keyfile +
                          " cannot hold a key: a keyfile must be an ordinary file that gives the "
                          "same bytes every time it is read.\n");
    QCOMPARE(run.status, 2);
    QCOMPARE(read(QStringLiteral("letter.txt")), letter);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{"key.fifo", "letter.txt"}));
}

void tst_cli_operation::interruptStopsAtNextFile_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("twice");
    QTest::addColumn<QStringList>("output");
    const QStringList inPlace{"--in-place"};
    QTest::newRow("Ctrl-C") << SIGINT << false << inPlace;
    QTest::newRow("SIGTERM") << SIGTERM << false << inPlace;
    QTest::newRow("SIGHUP") << SIGHUP << false << inPlace;
    QTest::newRow("Ctrl-C twice") << SIGINT << true << inPlace;
    QTest::newRow("Ctrl-C twice, to another folder")
        << SIGINT << true << QStringList{"--to", "out", "--as", "*.zr7"};
}

// The first signal stops the batch after the current file; a second one stops it at once. In
// either case each file is untouched or wholly done, and no temporary file is left behind.
void tst_cli_operation::interruptStopsAtNextFile()
{
    QFETCH(int, signal);
    QFETCH(bool, twice);
    QFETCH(QStringList, output);
    const int files = 12;
    const auto original = [](int i) { return TestFiles::randomBytes(16 << 20, i); };
    const auto name = [](int i) { return QStringLiteral("f%1.dat").arg(i); };
    for (int i = 0; i < files; ++i)
        write("big/" + name(i), original(i));
    QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    // The program sees the signal as a user's shell would give it, even if this test runs
    // with it ignored (under nohup, say).
    process.setChildProcessModifier([signal] {
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        ::sigaction(signal, &fallback, nullptr);
    });
    process.start(QStringLiteral(ZR7_CLI),
                  QStringList{"encrypt", "--yes", "--key-stdin", "big"} + output);
    process.write(QByteArray(Key) + '\n');
    process.closeWriteChannel();
    // Once the first file's line is out, the second file is under way: the signal ends the
    // batch after it; a second one, once the first is handled, in the middle of it.
    QString out;
    while (!out.contains(QLatin1String(" bytes   -> ")) && process.waitForReadyRead(30000))
        out += QString::fromUtf8(process.readAllStandardOutput());
    ::kill(pid_t(process.processId()), signal);
    const QString stopping = QStringLiteral(
        "zr7e-cli: Stopping after the current file (Ctrl-C again to stop at once)\n");
    QString err;
    while (!err.contains(stopping) && process.waitForReadyRead(30000))
        err += QString::fromUtf8(process.readAllStandardError());
    if (twice)
        ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    out += QString::fromUtf8(process.readAllStandardOutput());
    err += QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.count(stopping) == 1, qPrintable(err));
    const int done = int(out.count(QLatin1String(" bytes   -> ")));
    QVERIFY2(done >= 1 && done < files, qPrintable(out));
    // The statistics of a batch stopped after a file are still written.
    QVERIFY2(twice || out.contains(QStringLiteral("Total KB encrypted: ")), qPrintable(out));

    // Each file is either untouched or wholly encrypted, and nothing else is left behind.
    const auto everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QDir big(path(QStringLiteral("big")));
    QCOMPARE(big.entryList(everything).size(), files);
    QVERIFY(QDir().mkpath(path(QStringLiteral("done"))));
    for (int i = 0; i < files; ++i) {
        if (read("big/" + name(i)) != original(i))
            QVERIFY(big.rename(name(i), path("done/" + name(i))));
    }
    const QStringList made = QDir(path(QStringLiteral("out"))).entryList(everything);
    QVERIFY2(made.filter(QStringLiteral(".zr7-")).isEmpty(), qPrintable(made.join(' ')));
    const bool inPlace = output.contains(QStringLiteral("--in-place"));
    QCOMPARE(int(QDir(path(QStringLiteral("done"))).entryList(QDir::Files).size()),
             inPlace ? done : 0);
    // Every output under its own name decrypts whole.
    if (!QDir(path(inPlace ? "done" : "out")).isEmpty()) {
        const CliRun back = inPlace
                                ? Cli({"decrypt", "--yes", "--in-place", "done"})
                                : Cli({"decrypt", "--yes", "--as", "*.dat", "--to", "done", "out"});
        QCOMPARE(back.status, 0);
    }
    for (int i = 0; i < files; ++i) {
        if (QFileInfo::exists(path("done/" + name(i))))
            QVERIFY2(read("done/" + name(i)) == original(i), qPrintable(name(i)));
    }
}

void tst_cli_operation::replacedOutputFileIsTold()
{
    write(QStringLiteral("docs/report.txt"), "first draft");
    write(QStringLiteral("docs/notes.txt"), "notes");
    QDir().mkpath(path(QStringLiteral("safe")));
    QCOMPARE(Cli({"encrypt", "--to", "safe", "--as", "*.enc", "--yes", "docs"}).status, 0);
    QVERIFY(QFile::remove(path(QStringLiteral("docs/notes.txt"))));
    write(QStringLiteral("docs/report.txt"), "edited since");
    const CliRun run = Cli({"decrypt", "--to", "docs", "--as", "*.txt", "--yes", "safe"});
    QCOMPARE(run.status, 0);
    QVERIFY2(
        run.err.contains(QStringLiteral("in the folder %1\n1 of the output files exists "
                                        "already and will be replaced.\nzr7e-cli: Perform this "
                                        "decryption operation? Yes (--yes)\n")
                             .arg(path("docs/"))),
        qPrintable(run.err));
    QCOMPARE(read(QStringLiteral("docs/report.txt")), QByteArray("first draft"));
}

void tst_cli_operation::someFilesNotDone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");
    QTest::newRow("damaged") << "damaged.enc" << TestFiles::randomBytes(5000, 4)
                             << "Decryption key is incorrect or ciphertext is corrupt.";
    QTest::newRow("empty") << "empty.enc" << QByteArray() << "This file is empty (0 bytes).";
    QTest::newRow("skipped") << "plain.enc" << QByteArray("Not a secret at all. ").repeated(30)
                             << "skipped (file seems not encrypted)";
}

// One file done and one not is no success: the exit status says so.
void tst_cli_operation::someFilesNotDone()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, line);
    write(QStringLiteral("good.txt"), "good");
    QDir().mkpath(path(QStringLiteral("out")));
    QDir().mkpath(path(QStringLiteral("safe")));
    QCOMPARE(Cli({"encrypt", "--yes", "--to", "safe", "--as", "*.enc", "good.txt"}).status, 0);
    write(QStringLiteral("safe/") + name, content);
    const CliRun run = Cli({"decrypt", "--yes", "--to", "out", "--as", "*.txt", "safe"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(line), qPrintable(run.out));
    QCOMPARE(read(QStringLiteral("out/good.txt")), QByteArray("good"));
}

void tst_cli_operation::inPlaceWithOutputOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("--to") << QStringList{"--to", "out"};
    QTest::newRow("--as") << QStringList{"--as", "*.enc"};
    QTest::newRow("--to and --as") << QStringList{"--to", "out", "--as", "*.enc"};
}

void tst_cli_operation::inPlaceWithOutputOptions()
{
    QFETCH(QStringList, options);
    write(QStringLiteral("docs/a.txt"), "plain words");
    QDir().mkpath(path(QStringLiteral("out")));
    const CliRun run = Cli(QStringList{"encrypt", "--yes", "--in-place", "docs"} + options);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(QStringLiteral("--in-place cannot be combined with --to or --as.")),
             qPrintable(run.err));
    QCOMPARE(read(QStringLiteral("docs/a.txt")), QByteArray("plain words"));
    QCOMPARE(QDir(path(QStringLiteral("docs"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{"a.txt"});
    QVERIFY(QDir(path(QStringLiteral("out"))).isEmpty());
}

// Linux names: bytes that are not UTF-8 are reported, "?" and "*" are ordinary characters, and a
// single file whose name has them is that file alone.
void tst_cli_operation::everyNameIsAccountedFor()
{
    for (const char* name : {"what?.txt", "a*.txt", "x:y.txt", "whatx.txt", "c\x1b[2J\n\u0085.txt"})
        write(QStringLiteral("names/") + name, name);
    const QByteArray latin1 = QFile::encodeName(path(QStringLiteral("names/"))) + "caf\xe9.txt";
    const int fd = ::open(latin1.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0 && ::write(fd, "old", 3) == 3 && ::close(fd) == 0);

    CliRun run = Cli({"encrypt", "--yes", "--files", "*.txt", "names"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains("caf\\xE9.txt   The name of this file is not valid UTF-8, so the "
                              "program cannot open it.  Encryption not performed."),
             qPrintable(run.out));
    QVERIFY2(run.out.contains("Number of files processed: 6"), qPrintable(run.out));
    QVERIFY2(run.out.contains("Number of files encrypted: 5"), qPrintable(run.out));
    for (const char* name : {"what?.txt", "a*.txt", "x:y.txt", "whatx.txt", "c\x1b[2J\n\u0085.txt"})
        QVERIFY(read(QStringLiteral("names/") + name) != name);
    // Control characters are shown as bytes: no line break, nothing for the terminal.
    QVERIFY2(run.out.contains("\nc\\x1B[2J\\x0A\\xC2\\x85.txt "), qPrintable(run.out));

    run = Cli({"decrypt", "--yes", "names/what?.txt"});
    QCOMPARE(run.status, 0);
    QCOMPARE(read(QStringLiteral("names/what?.txt")), QByteArray("what?.txt"));
    QVERIFY(read(QStringLiteral("names/whatx.txt")) != "whatx.txt");
    char old[4] = {};
    const int back = ::open(latin1.constData(), O_RDONLY);
    QVERIFY(back >= 0 && ::read(back, old, 3) == 3 && ::close(back) == 0);
    QCOMPARE(QByteArray(old), QByteArray("old"));
    QCOMPARE(::unlink(latin1.constData()), 0); // beyond what the temporary folder can name
}

// Exactly the files the user named, under their exact names, or a clear reason.
void tst_cli_operation::onlyTheNamedFilesAreTouched_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("changed");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QStringList all{"d/a.txt", "d/A.txt", "d/q?.txt", "d/Q?.txt", "d/*.*", "d/sub/b.txt"};
    const QStringList toOut{"--to", "out", "--as", "*.encrypted"};
    const QStringList txt{"d/a.txt", "d/A.txt", "d/q?.txt", "d/Q?.txt"};
    QTest::newRow("single file, other case beside it")
        << QStringList{"d/a.txt"} << QStringList{"d/a.txt"} << 0 << "";
    QTest::newRow("single file whose name holds ?")
        << QStringList{"d/q?.txt"} << QStringList{"d/q?.txt"} << 0 << "";
    QTest::newRow("folder with a file named *.*")
        << QStringList{"--subfolders", "d"} << all << 0 << "";
    QTest::newRow("output folder differing in case")
        << QStringList{"--to", "docs", "--as", "*.*", "Docs"} << QStringList{} << 0 << "-> c.txt";
    QTest::newRow("leading blank")
        << toOut + QStringList{"e/ lead.txt"} << QStringList{} << 0 << "->  lead.encrypted";
    QTest::newRow("output name over 255 bytes")
        << toOut + QStringList{"e"} << QStringList{} << 1
        << "The output name would be longer than 255 bytes, which the file system does not "
           "allow.";
    QTest::newRow("a specification of an extension alone")
        << QStringList{"--files", ".txt", "d"} << txt << 0 << "";
    QTest::newRow("a specification of a name with any extension")
        << QStringList{"--files", "report.", "r"}
        << QStringList{"r/report", "r/report.doc", "r/REPORT.txt"} << 0 << "";
    QTest::newRow("an option given as --files=SPEC")
        << QStringList{"--files=*.TXT", "d"} << txt << 0 << "";
    QTest::newRow("a name beginning with - after --")
        << QStringList{"--", "-rf"} << QStringList{"-rf"} << 0 << "";
    QTest::newRow("a name beginning with - before --")
        << QStringList{"-rf"} << QStringList{} << 2 << "Error: unexpected argument -rf";
    QTest::newRow("path over 4096 bytes")
        << QStringList{"--subfolders", "deep"} << QStringList{} << 1
        << "The path is longer than the 4096 bytes the system allows.";
}

void tst_cli_operation::onlyTheNamedFilesAreTouched()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, changed);
    QFETCH(int, status);
    QFETCH(QString, said);
    const QStringList files{"d/a.txt",       "d/A.txt",      "d/q?.txt",
                            "d/Q?.txt",      "d/*.*",        "d/sub/b.txt",
                            "Docs/c.txt",    "e/ lead.txt",  "e/" + QString(250, 'n') + ".txt",
                            "r/report",      "r/report.doc", "r/REPORT.txt",
                            "r/reports.doc", "-rf"};
    for (const QString& file : files)
        write(file, file.toUtf8());
    QVERIFY(QDir().mkpath(path(QStringLiteral("docs"))) && QDir().mkpath(path("out")));
    // A folder just short of 4096 bytes of path, holding a file just past it.
    QString deep = path(QStringLiteral("deep"));
    while (deep.size() + 201 <= 4050)
        deep += '/' + QString(200, 'f');
    QVERIFY(QDir().mkpath(deep));
    const int fd = ::open(QFile::encodeName(deep).constData(), O_RDONLY | O_DIRECTORY);
    const int file =
        ::openat(fd, QByteArray(4100 - deep.size(), 'x').constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(file >= 0 && ::close(file) == 0 && ::close(fd) == 0);
    const CliRun run = Cli(QStringList{"encrypt", "--yes"} + args);
    // Paths past the limit are beyond what the temporary folder can remove.
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), path(QStringLiteral("deep"))});
    QCOMPARE(run.status, status);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
    for (const QString& file : files)
        QVERIFY2((read(file) != file.toUtf8()) == changed.contains(file), qPrintable(file));
}

void tst_cli_operation::manners_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // how standard output begins
    QTest::addColumn<QString>("err");
    const QString cli = QStringLiteral(ZR7_CLI);
    const QString gui = QStringLiteral(ZR7_GUI);
    const QString version = QStringLiteral(ZR7_VERSION "\n");
    const QString tryHelp = QStringLiteral("Try 'zr7e-cli --help'.\n");
    QTest::newRow("help") << cli << QStringList{"--help"} << 0 << "zr7e-cli: encrypt"
                          << "";
    QTest::newRow("help after a command's options")
        << cli << QStringList{"encrypt", "--to", "x", "-h"} << 0 << "zr7e-cli: encrypt"
        << "";
    QTest::newRow("version") << cli << QStringList{"--version"} << 0 << "zr7e-cli " + version << "";
    QTest::newRow("windows' help") << gui << QStringList{"--help"} << 0 << "zr7e: encrypt"
                                   << "";
    QTest::newRow("windows' version")
        << gui << QStringList{"--version"} << 0 << "zr7e " + version << "";
    QTest::newRow("unknown option") << cli << QStringList{"decrypt", "--fast", "x"} << 2 << ""
                                    << "zr7e-cli: Error: unexpected argument --fast\n" + tryHelp;
    QTest::newRow("unknown command") << cli << QStringList{"crypt", "x"} << 2 << ""
                                     << "zr7e-cli: Error: unknown command crypt\n" + tryHelp;
    QTest::newRow("no command") << cli << QStringList{} << 2 << ""
                                << "zr7e-cli: Error: no command given.\n" + tryHelp;
    QTest::newRow("a refused setup is no wrong usage")
        << cli << QStringList{"encrypt", "--yes", "x"} << 2 << ""
        << "zr7e-cli: Error: x does not exist.\n";
    // Quiet, a run says only what went wrong.
    QTest::newRow("quiet, all done: nothing")
        << cli << QStringList{"encrypt", "--yes", "-q", "--key-stdin", "docs"} << 0 << ""
        << "";
    QTest::newRow("quiet, a file not done: the report")
        << cli
        << QStringList{"decrypt", "--yes", "--quiet", "--key-stdin", "--files", "*.txt", "docs"}
        << 1 << "Decrypting *.txt in "
        << "";
    QTest::newRow("quiet verify: only what did not verify")
        << cli << QStringList{"verify", "--quiet", "--key-stdin", "docs"} << 1
        << "b.txt  not an encrypted file\n"
        << "";
}

// Help and version on standard output, each line within 80 columns (the windows' program
// answers them without a window, which would need a display); every message on standard error
// begins with the program's name, and a command given wrongly points to the help.
void tst_cli_operation::manners()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // A key of 64 characters, which every command takes as it is.
    const QByteArray key = QByteArray(64, 'k') + '\n';
    write(QStringLiteral("docs/a.zr7"), "to be encrypted");
    QCOMPARE(RunCli(m_dir->path(), {"encrypt", "--yes", "--key-stdin", "docs/a.zr7"}, key).status,
             0);
    write(QStringLiteral("docs/b.txt"), "never encrypted");
    const CliRun run = RunCli(m_dir->path(), args, key, program);
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, status);
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.startsWith(out), qPrintable(run.out));
    for (const QString& line : run.out.split(u'\n'))
        QVERIFY2(status != 0 || line.size() <= 80, qPrintable(line));
}

QTEST_GUILESS_MAIN(tst_cli_operation)
#include "tst_cli_operation.moc"
