#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// zr7e-cli in place on a folder that others use too: two runs at once, the keyfile in use
// reached under another name, another user's file in a shared folder, and links.
class tst_cli_shared : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void runsAtOnce_data();
    void runsAtOnce();
    void heldFolderIsLeftAlone_data();
    void heldFolderIsLeftAlone();
    void keyfileUnderAnotherName_data();
    void keyfileUnderAnotherName();
    void anotherUsersFileInStickyFolder();
    void singleFileThroughLink();
    void unreadableFolderIsNamed();
    void accessKeptThroughAnAcl();
    void unreadableEncryptedFileIsNamed();

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
    // zr7e-cli as the user nobody, confirmed, with the key on standard input.
    CliRun AsNobody(const QStringList& args)
    {
        return RunCli(m_dir->path(),
                      QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                  QStringLiteral(ZR7_CLI)} +
                          args + QStringList{"--key-stdin", "--yes"},
                      QByteArray(Key) + '\n', QStringLiteral("setpriv"));
    }
    bool NobodysFolder(const QString& relative)
    {
        return ::chmod(QFile::encodeName(m_dir->path()), 0755) == 0 &&
               QDir().mkpath(path(relative)) &&
               ::chown(QFile::encodeName(path(relative)), 65534, 65534) == 0;
    }

    static constexpr const char* Key = "a shared folder needs care";
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_cli_shared::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_cli_shared::runsAtOnce_data()
{
    QTest::addColumn<int>("folders"); // 0: the files are in dir itself
    QTest::addColumn<int>("files");   // in each folder
    QTest::addColumn<int>("size");
    QTest::newRow("large files in one folder") << 0 << 6 << 3 * 1024 * 1024;
    QTest::newRow("small files in subfolders") << 8 << 60 << 3000;
}

// Runs started moments apart on one tree: none may read a file another is replacing, and none
// may take up a folder another has finished, its files encrypted already. Every file must be
// plain again after one decryption.
void tst_cli_shared::runsAtOnce()
{
    QFETCH(int, folders);
    QFETCH(int, files);
    QFETCH(int, size);
    QMap<QString, QByteArray> plain;
    for (int f = 0; f < qMax(folders, 1); ++f) {
        for (int i = 0; i < files; ++i) {
            const QString name = folders == 0 ? QStringLiteral("dir/f%1.dat").arg(i)
                                              : QStringLiteral("dir/s%1/f%2.dat").arg(f).arg(i);
            plain[name] = TestFiles::randomBytes(size + i, 40 + i + 100 * f);
            write(name, plain[name]);
        }
    }
    QProcess runs[3];
    for (QProcess& run : runs) {
        run.setWorkingDirectory(m_dir->path());
        run.start(QStringLiteral(ZR7_CLI),
                  Args({"encrypt", "--in-place", "--subfolders", "--yes", "dir"}));
        run.write(QByteArray(Key) + '\n');
        // The key now, not when the test next waits for this run.
        QVERIFY(run.waitForBytesWritten(10000));
        run.closeWriteChannel();
        QTest::qSleep(100);
    }
    QString reports;
    for (QProcess& run : runs) {
        QVERIFY(run.waitForFinished(120000));
        reports += QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    }
    const CliRun opened = Cli({"decrypt", "--in-place", "--subfolders", "--yes", "dir"});
    QVERIFY2(opened.status == 0, qPrintable(reports + opened.out + opened.err));
    for (auto file = plain.cbegin(); file != plain.cend(); ++file)
        QVERIFY2(read(file.key()) == file.value(), qPrintable(file.key() + '\n' + reports));
}

void tst_cli_shared::heldFolderIsLeftAlone_data()
{
    QTest::addColumn<QString>("held"); // by another run
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("changed");
    QTest::newRow("a subfolder of the tree")
        << "dir/s1" << QStringList{"--subfolders", "dir"} << QStringList{"dir/s0/f.dat"};
    QTest::newRow("the tree above the folder") << "dir" << QStringList{"dir/s0"} << QStringList{};
    QTest::newRow("the folder of a single file")
        << "dir/s0" << QStringList{"dir/s0/f.dat"} << QStringList{};
}

// A folder that another run holds, or one below a folder it holds, may be one that run has
// finished already: its files are left alone, and the folder is named.
void tst_cli_shared::heldFolderIsLeftAlone()
{
    QFETCH(QString, held);
    QFETCH(QStringList, args);
    QFETCH(QStringList, changed);
    const QStringList files{"dir/s0/f.dat", "dir/s1/f.dat"};
    for (const QString& file : files)
        write(file, file.toUtf8());
    const int lock = ::open(QFile::encodeName(path(held)).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
    const CliRun run = Cli(QStringList{"encrypt", "--in-place", "--yes"} + args);
    ::close(lock);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(": another run of the program is working on it or on a folder "
                              "above it"),
             qPrintable(run.err));
    for (const QString& file : files)
        QVERIFY2((read(file) != file.toUtf8()) == changed.contains(file), qPrintable(file));
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
    const CliRun run = AsNobody({"encrypt", "--in-place", "shared"});
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
    const CliRun run = AsNobody({"encrypt", "--subfolders", "top"});
    QVERIFY2(run.err.contains(QStringLiteral("Error: Cannot read the folder ") +
                              path("top/closed/") + QStringLiteral(": Permission denied")),
             qPrintable(run.err));
    QCOMPARE(run.status, 1);
    QVERIFY(read(QStringLiteral("top/open/letter.txt")) != "for everyone");
    QCOMPARE(read(QStringLiteral("top/closed/secret.txt")), QByteArray("not for everyone"));
}

// Root's file of mode 000 that an access control list lets nobody read and write: nobody's
// result in place is nobody's own, and nobody must still be able to read and write it.
void tst_cli_shared::accessKeptThroughAnAcl()
{
    if (::geteuid() != 0 || !NobodysFolder(QStringLiteral("box")))
        QSKIP("needs root to act as another user");
    write(QStringLiteral("box/f.txt"), "root's file, shared with nobody by an ACL");
    // The access ACL of user::---, user:nobody:rw-, group::---, mask::rw-, other::---.
    const struct
    {
        quint16 tag, perm;
        quint32 id;
    } entries[] = {
        {0x01, 0, ~0u}, {0x02, 6, 65534}, {0x04, 0, ~0u}, {0x10, 6, ~0u}, {0x20, 0, ~0u}};
    const QByteArray acl = QByteArray("\2\0\0\0", 4) +
                           QByteArray(reinterpret_cast<const char*>(entries), sizeof entries);
    const QByteArray file = QFile::encodeName(path(QStringLiteral("box/f.txt")));
    if (::setxattr(file.constData(), "system.posix_acl_access", acl.constData(), acl.size(), 0) !=
        0)
        QSKIP("this file system keeps no access control lists");
    const CliRun sealed = AsNobody({"encrypt", "--in-place", "box/f.txt"});
    QVERIFY2(sealed.status == 0, qPrintable(sealed.out + sealed.err));
    const CliRun opened = AsNobody({"decrypt", "--in-place", "box/f.txt"});
    QVERIFY2(opened.status == 0, qPrintable(opened.out + opened.err));
    QCOMPARE(read(QStringLiteral("box/f.txt")),
             QByteArray("root's file, shared with nobody by an ACL"));
}

// An encrypted file nobody may not read is reported as not opened, not as a plaintext.
void tst_cli_shared::unreadableEncryptedFileIsNamed()
{
    if (::geteuid() != 0 || !NobodysFolder(QStringLiteral("box")))
        QSKIP("needs root to act as another user");
    write(QStringLiteral("box/f.txt"), TestFiles::randomBytes(20000, 9));
    QCOMPARE(Cli({"encrypt", "--yes", "--in-place", "box/f.txt"}).status, 0);
    QVERIFY(::chmod(QFile::encodeName(path(QStringLiteral("box/f.txt"))), 0) == 0);
    const CliRun run = AsNobody({"decrypt", "--in-place", "box"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QStringLiteral("Unable to open input file")), qPrintable(run.out));
    QVERIFY2(!run.out.contains(QStringLiteral("seems not encrypted")), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(tst_cli_shared)
#include "tst_cli_shared.moc"
