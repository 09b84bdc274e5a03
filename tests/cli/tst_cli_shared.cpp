#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// zr7e-cli in place on a folder that others use too: two runs at once, the keyfile in use
// reached under another name, another user's file in a shared folder, and links.
class tst_cli_shared : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void twoRunsAtOnce();
    void keyfileUnderAnotherName_data();
    void keyfileUnderAnotherName();
    void anotherUsersFileInStickyFolder();
    void singleFileThroughLink();
    void unreadableFolderIsNamed();

private:
    QStringList Args(QStringList args) const { return args << QStringLiteral("--key-stdin"); }
    CliRun Cli(const QStringList& args)
    {
        return RunCli(m_dir->path(), Args(args), QByteArray(Key) + '\n');
    }
    QString path(const QString& relative) const { return m_dir->path() + '/' + relative; }
    void write(const QString& relative, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        TestFiles::write(path(relative), data);
    }
    QByteArray read(const QString& relative) const { return TestFiles::read(path(relative)); }

    static constexpr const char* Key = "a shared folder needs care";
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_cli_shared::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

// A second run started a moment after the first: neither may read a file the other is
// replacing, and no file may end up as anything but itself encrypted once or twice.
void tst_cli_shared::twoRunsAtOnce()
{
    QList<QByteArray> plain;
    for (int i = 0; i < 6; ++i) {
        plain.append(TestFiles::randomBytes(3 * 1024 * 1024 + i, 40 + i));
        write(QStringLiteral("dir/f%1.dat").arg(i), plain.last());
    }
    QProcess first, second;
    for (QProcess* run : {&first, &second}) {
        run->setWorkingDirectory(m_dir->path());
        run->start(QStringLiteral(ZR7_CLI), Args({"encrypt", "--in-place", "--yes", "dir"}));
        run->write(QByteArray(Key) + '\n');
        run->closeWriteChannel();
        QTest::qSleep(150);
    }
    QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
    // Each file is decrypted until it is plain again: at most twice, once per run.
    QString reports =
        QString::fromUtf8(first.readAllStandardOutput() + second.readAllStandardOutput());
    for (int round = 0; round < 2; ++round) {
        const CliRun run = Cli({"decrypt", "--in-place", "--yes", "dir"});
        reports += run.out + run.err;
    }
    for (int i = 0; i < plain.size(); ++i)
        QVERIFY2(read(QStringLiteral("dir/f%1.dat").arg(i)) == plain[i], qPrintable(reports));
    QCOMPARE(QDir(path("dir")).entryList(QDir::Files | QDir::Hidden).size(), plain.size());
}

void tst_cli_shared::keyfileUnderAnotherName_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("keyfile through a linked folder")
        << QStringList{"--key-file", "alias/my.key", "--in-place", "dir"};
    QTest::newRow("input through a linked folder")
        << QStringList{"--key-file", "dir/my.key", "--in-place", "alias"};
    QTest::newRow("output folder is the input under another name")
        << QStringList{"--key-file", "dir/my.key", "--to", "alias", "dir"};
    QTest::newRow("a hard link to the keyfile in the folder")
        << QStringList{"--key-file", "keys/my.key", "--in-place", "dir"};
}

void tst_cli_shared::keyfileUnderAnotherName()
{
    QFETCH(QStringList, args);
    const QByteArray key = TestFiles::randomBytes(64, 5);
    write(QStringLiteral("dir/my.key"), key);
    write(QStringLiteral("dir/letter.txt"), "Dear reader, this letter is encrypted.");
    QVERIFY(QFile::link(path("dir"), path("alias")));
    QDir().mkpath(path("keys"));
    QVERIFY(::link(qPrintable(path("dir/my.key")), qPrintable(path("keys/my.key"))) == 0);
    const CliRun run = RunCli(m_dir->path(), QStringList{"encrypt", "--yes"} + args);
    QCOMPARE(read(QStringLiteral("dir/my.key")), key);
    QCOMPARE(read(QStringLiteral("keys/my.key")), key);
    QVERIFY2(run.status == 1, qPrintable(run.out + run.err));
    QVERIFY(read(QStringLiteral("dir/letter.txt")) != "Dear reader, this letter is encrypted.");
}

// As another user, a root-owned file anyone may write in a sticky folder such as /tmp: it
// cannot be removed, so it is not replaced, and nothing is left of the attempt.
void tst_cli_shared::anotherUsersFileInStickyFolder()
{
    if (::geteuid() != 0)
        QSKIP("needs root to act as another user");
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()), 0755) == 0);
    QVERIFY(QDir().mkpath(path("shared")));
    QVERIFY(::chmod(QFile::encodeName(path("shared")), 01777) == 0);
    write(QStringLiteral("shared/notes.txt"), "root's notes, writable by all");
    QVERIFY(::chmod(QFile::encodeName(path("shared/notes.txt")), 0666) == 0);
    const CliRun run =
        RunCli(m_dir->path(),
               {"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(ZR7_CLI),
                "encrypt", "--in-place", "--yes", "--key-stdin", "shared"},
               QByteArray(Key) + '\n', QStringLiteral("setpriv"));
    if (run.err.contains(QStringLiteral("Permission denied")) && run.status != 1)
        QSKIP("the program cannot be run as another user here");
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QStringLiteral("This file cannot be replaced here")),
             qPrintable(run.out));
    QCOMPARE(read(QStringLiteral("shared/notes.txt")), QByteArray("root's notes, writable by all"));
    QCOMPARE(QDir(path("shared")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("notes.txt")});
}

// A single file named through a symbolic link is the file it leads to; the link stays a link.
void tst_cli_shared::singleFileThroughLink()
{
    write(QStringLiteral("real/report.txt"), "the report itself");
    QVERIFY(QFile::link(path("real/report.txt"), path("link.txt")));
    const CliRun run = Cli({"encrypt", "--yes", "link.txt"});
    QCOMPARE(run.status, 0);
    // Without --to and --as the file is replaced, and the description says so.
    QVERIFY2(run.err.contains("The output file will have the same name as the input file (so the "
                              "input file will be overwritten)"),
             qPrintable(run.err));
    QVERIFY(QFileInfo(path("link.txt")).isSymLink());
    QVERIFY(read(QStringLiteral("real/report.txt")) != "the report itself");
    QCOMPARE(Cli({"decrypt", "--yes", "link.txt"}).status, 0);
    QCOMPARE(read(QStringLiteral("real/report.txt")), QByteArray("the report itself"));
}

// A subfolder the user may not read is named in its message; the rest of the tree is done.
void tst_cli_shared::unreadableFolderIsNamed()
{
    if (::geteuid() != 0)
        QSKIP("needs root to act as another user");
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()), 0777) == 0);
    write(QStringLiteral("top/closed/secret.txt"), "not for everyone");
    write(QStringLiteral("top/open/letter.txt"), "for everyone");
    QVERIFY(::chmod(QFile::encodeName(path("top")), 0777) == 0);
    QVERIFY(::chmod(QFile::encodeName(path("top/closed")), 0700) == 0);
    QVERIFY(::chown(QFile::encodeName(path("top/open")), 65534, 65534) == 0);
    QVERIFY(::chown(QFile::encodeName(path("top/open/letter.txt")), 65534, 65534) == 0);
    const CliRun run =
        RunCli(m_dir->path(),
               {"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(ZR7_CLI),
                "encrypt", "--subfolders", "--yes", "--key-stdin", "top"},
               QByteArray(Key) + '\n', QStringLiteral("setpriv"));
    QVERIFY2(run.err.contains(QStringLiteral("Error: Cannot read the folder ") +
                              path("top/closed/") + QStringLiteral(": Permission denied")),
             qPrintable(run.err));
    QCOMPARE(run.status, 1);
    QVERIFY(read(QStringLiteral("top/open/letter.txt")) != "for everyone");
    QCOMPARE(read(QStringLiteral("top/closed/secret.txt")), QByteArray("not for everyone"));
}

QTEST_GUILESS_MAIN(tst_cli_shared)
#include "tst_cli_shared.moc"
