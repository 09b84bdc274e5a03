#include "BatchFixture.h"
#include "TestFiles.h"
#include "core/ZR7FileOps.h"
#include "engine/SystemCalls.h"
#include "storage/InPlaceFile.h"
#include "support/SizeText.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

// In place on a file system that others use at the same time: a file that changes while it is
// read, one that another program keeps open for writing, hard and symbolic links, protected
// files, and the original's metadata on the result.
class TestInPlaceSafety : public QObject
{
    Q_OBJECT

private slots:
    void changedMeanwhile_data();
    void changedMeanwhile();
    void refused_data();
    void refused();
    void metadataKept_data();
    void metadataKept();
    void onlyListedFiles_data();
    void onlyListedFiles();
    void purgeFails_data();
    void purgeFails();
    void leftoversOfInterruptedRuns();
};

namespace {

const QByteArray Original = QByteArray("the original text of the file\n").repeated(40);
const QByteArray NewVersion = QByteArray("a newer version, saved meanwhile\n").repeated(30);

QString LineAfterSize(BatchFixture& f, const QString& name)
{
    for (const QString& line : f.lines()) {
        if (line.startsWith(name + QLatin1Char(' ')))
            return line.mid(line.indexOf(QStringLiteral("bytes   ")) + 8);
    }
    return {};
}

// The report ends every in-place refusal with this.
QString NotPerformed(const char* what)
{
    return QLatin1String(what) + QStringLiteral("  Encryption not performed.");
}

// The file's inode flags (chattr) after turning `set` on and `clear` off; -1 where the file
// system or the user does not allow it.
int Flags(const QString& path, int set = 0, int clear = 0)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    int flags = 0;
    const bool read = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = (flags | set) & ~clear;
    const bool ok = read && ((set | clear) == 0 || ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    ::close(fd);
    return ok ? flags : -1;
}

QMap<QByteArray, QByteArray> Attributes(const QByteArray& path)
{
    QMap<QByteArray, QByteArray> attributes;
    QByteArray names(4096, 0), value(4096, 0);
    names.truncate(qMax<ssize_t>(::listxattr(path, names.data(), names.size()), 0));
    for (const QByteArray& name : names.split('\0')) {
        const ssize_t size = name.isEmpty() ? -1 : ::getxattr(path, name, value.data(), 4096);
        if (size >= 0)
            attributes.insert(name, value.left(size));
    }
    return attributes;
}

// The file swapped in under the temporary name at once after the next exchange.
QByteArray s_swapIn;

// The exchange, then the file at s_swapIn exchanged with the original under its temporary name.
int ExchangeThenSwapIn(int fromFolder, const char* from, int toFolder, const char* to,
                       unsigned flags)
{
    const int result = SystemCalls::System.renameat2(fromFolder, from, toFolder, to, flags);
    if (result == 0 && flags == RENAME_EXCHANGE && !s_swapIn.isEmpty())
        SystemCalls::System.renameat2(fromFolder, from, AT_FDCWD,
                                      std::exchange(s_swapIn, {}).constData(), RENAME_EXCHANGE);
    return result;
}

const SystemCalls SwapInAfterExchange = [] {
    SystemCalls calls = SystemCalls::System;
    calls.renameat2 = ExchangeThenSwapIn;
    return calls;
}();

} // namespace

// Another program changes the file while it is encrypted: the change survives, the result goes.
void TestInPlaceSafety::changedMeanwhile_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("saved by an editor (new file renamed over it)") << "rename" << NewVersion;
    QTest::newRow("appended to") << "append" << Original + "one more line\n";
    QTest::newRow("overwritten, same size")
        << "overwrite" << QByteArray(Original).replace('e', 'E');
    // The instant after the exchange, another file takes the original's temporary name and the
    // original the other's: the original itself is unchanged in all but its name.
    QTest::newRow("another file swapped in under the temporary name after the exchange")
        << "swap" << NewVersion;
}

void TestInPlaceSafety::changedMeanwhile()
{
    QFETCH(QString, change);
    QFETCH(QByteArray, after);
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.write(QStringLiteral("notes.txt"), Original);
    const QString path = f.path(QStringLiteral("notes.txt"));
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage stage, const InPlaceFile&) {
        if (stage != ZR7FileOps::Stage::Exchanging || change == "swap")
            return;
        // File times tick in steps of a few milliseconds: the change must come after one.
        QTest::qSleep(20);
        if (change == "rename") {
            TestFiles::write(path + QStringLiteral(".new"), after);
            QVERIFY(::rename(qPrintable(path + ".new"), qPrintable(path)) == 0);
            return;
        }
        QFile file(path);
        QVERIFY(file.open(change == "append" ? QIODevice::Append : QIODevice::ReadWrite));
        file.write(change == "append" ? after.mid(Original.size()) : after);
    };
    if (change == "swap")
        f.write(QStringLiteral("other/new.txt"), after);
    s_swapIn = change == "swap" ? QFile::encodeName(f.path("other/new.txt")) : QByteArray();
    f.engine.set_system_calls(SwapInAfterExchange);
    f.Run(QString(), QStringLiteral("notes.txt"), QString(), QStringLiteral("*.*"));
    f.engine.set_system_calls(SystemCalls::System);
    QCOMPARE(LineAfterSize(f, QStringLiteral("notes.txt")),
             QStringLiteral("This file changed during the encryption, so it was left as it is."));
    QCOMPARE(f.read(QStringLiteral("notes.txt")), after);
    if (change == "swap") // nothing lost
        QCOMPARE(f.read(QStringLiteral("other/new.txt")), Original);
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("notes.txt")});
    QCOMPARE(f.driver.counters().filesDone, 0);
}

// Files that are not replaced in place at all; each stays exactly as it was.
void TestInPlaceSafety::refused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("open for writing elsewhere (a logger)")
        << "writer" << NotPerformed("This file is in use by another program.");
    QTest::newRow("locked by another run")
        << "locked" << NotPerformed("This file is in use by another program.");
    QTest::newRow("a second hard link")
        << "hardlink" << NotPerformed("This file has other names (hard links).");
    QTest::newRow("a symbolic link in the folder")
        << "symlink" << NotPerformed("This is a symbolic link or a special file.");
    QTest::newRow("immutable") << "immutable"
                               << NotPerformed("This file cannot be replaced here (it is "
                                               "protected, or the folder does not allow it).");
}

void TestInPlaceSafety::refused()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.write(QStringLiteral("real.dat"), Original);
    const QString real = f.path(QStringLiteral("real.dat"));
    const QString name = kind == "symlink" ? QStringLiteral("link.txt") : QStringLiteral("f.txt");
    if (kind == "symlink") {
        QVERIFY(QFile::link(real, f.path(name)));
    } else {
        QVERIFY(::link(qPrintable(real), qPrintable(f.path(name))) == 0);
        if (kind != "hardlink")
            QVERIFY(QFile::remove(real));
    }
    QFile holder(f.path(name));
    if (kind == "writer")
        QVERIFY(holder.open(QIODevice::Append));
    const int locker = kind == "locked" ? ::open(qPrintable(f.path(name)), O_RDONLY) : -1;
    if (kind == "locked")
        QVERIFY(::flock(locker, LOCK_SH) == 0);
    if (kind == "immutable" &&
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), f.path(name)}) != 0)
        QSKIP("chattr +i needs root and a file system with attributes");

    f.Run(QString(), QStringLiteral("*.txt"), QString(), QStringLiteral("*.*"));
    if (kind == "immutable")
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), f.path(name)});
    if (locker >= 0)
        ::close(locker);
    QCOMPARE(LineAfterSize(f, name), text);
    QCOMPARE(f.read(name), Original);
    QCOMPARE(QFileInfo(f.path(name)).isSymLink(), kind == "symlink");
    QCOMPARE(f.driver.counters().filesDone, 0);
    QVERIFY(QDir(f.path(QString()))
                .entryList({QStringLiteral(".zr7-*")}, QDir::Hidden | QDir::Files)
                .isEmpty());
}

// A round trip in place gives the file back its mode, owner and times.
void TestInPlaceSafety::metadataKept_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("otherOwner");
    QTest::addColumn<bool>("extras");
    QTest::newRow("executable, 0755") << 0755 << false << false;
    QTest::newRow("read-only, 0444") << 0444 << false << false;
    QTest::newRow("another user's file, 0640") << 0640 << true << false;
    QTest::newRow("user attributes, an access list, no-dump flag") << 0640 << false << true;
}

void TestInPlaceSafety::metadataKept()
{
    QFETCH(int, mode);
    QFETCH(bool, otherOwner);
    QFETCH(bool, extras);
    if (otherOwner && ::geteuid() != 0)
        QSKIP("only root can work on another user's file and give it back");
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.write(QStringLiteral("tool.sh"), Original);
    const QByteArray path = QFile::encodeName(f.path(QStringLiteral("tool.sh")));
    const timespec times[2] = {{1000000000, 0}, {1000000000, 123456789}};
    QVERIFY(::utimensat(AT_FDCWD, path, times, 0) == 0);
    QVERIFY(!otherOwner || ::chown(path, 65534, 65534) == 0);
    QVERIFY(::chmod(path, mode_t(mode)) == 0);
    if (extras && (::setxattr(path, "user.note", "one", 3, 0) != 0 ||
                   ::setxattr(path, "user.bytes", "\0\1\377", 3, 0) != 0))
        QSKIP("the file system takes no user attributes");
    // Where the file system takes them: user 65534 may read it (an access list), no dump.
    const QByteArray acl =
        QByteArray::fromHex("02000000 01000600ffffffff 02000400feff0000 "
                            "04000400ffffffff 10000400ffffffff 20000000ffffffff");
    if (extras)
        ::setxattr(path, "system.posix_acl_access", acl.constData(), acl.size(), 0);
    const int noDump =
        extras && Flags(QFile::decodeName(path), FS_NODUMP_FL) > 0 ? FS_NODUMP_FL : 0;
    const QMap<QByteArray, QByteArray> attributes = Attributes(path);
    struct stat before;
    QVERIFY(::stat(path, &before) == 0);
    for (const bool encrypt : {true, false}) {
        f.setup.blnEncrypt = encrypt;
        f.Run(QString(), QStringLiteral("tool.sh"), QString(), QStringLiteral("*.*"));
        QCOMPARE(f.driver.counters().filesDone, 1);
        struct stat after;
        QVERIFY(::stat(path, &after) == 0);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        QCOMPARE(Attributes(path), attributes);
        QCOMPARE(Flags(QFile::decodeName(path)) & FS_NODUMP_FL, noDump);
    }
    QCOMPARE(f.read(QStringLiteral("tool.sh")), Original);
}

// Another user swaps a subfolder for a link to a private folder, or a second run takes the same
// files: only the files listed, in the folders listed, are written, and none twice. A file
// already taken is finished in its folder, wherever that folder's path now leads.
void TestInPlaceSafety::onlyListedFiles_data()
{
    using Stage = ZR7FileOps::Stage;
    QTest::addColumn<QString>("trigger"); // the change comes as this file reaches `stage`
    QTest::addColumn<int>("stage");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("output"); // swapped when it is not "top", else "top/sub" is
    QTest::addColumn<bool>("secondRun");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("changedSinceListed");
    QTest::addColumn<QString>("result"); // a file that holds the original transformed
    QTest::newRow("subfolder swapped, then entered")
        << "top/c.txt" << int(Stage::Verifying) << true << true << "top" << false << 3 << 0
        << "top/b.txt";
    QTest::newRow("subfolder swapped as a file is opened")
        << "top/sub/b.txt" << int(Stage::Opened) << true << true << "top" << false << 4 << 1
        << "moved/b.txt";
    QTest::newRow("subfolder swapped before the exchange")
        << "top/sub/b.txt" << int(Stage::Verifying) << true << true << "top" << false << 4 << 1
        << "moved/b.txt";
    QTest::newRow("subfolder swapped before the purge")
        << "top/sub/b.txt" << int(Stage::Purging) << true << true << "top" << false << 4 << 1
        << "moved/b.txt";
    QTest::newRow("new files: subfolder swapped as a file is opened")
        << "top/sub/b.txt" << int(Stage::Opened) << false << true << "top" << false << 4 << 1
        << "moved/b.enc";
    QTest::newRow("new files: output folder swapped as a file is opened")
        << "top/b.txt" << int(Stage::Opened) << false << true << "out" << false << 5 << 0
        << "moved/b.enc";
    // The next file's check that it looks encrypted reads the file listed, not the one at its
    // path, which would ask whether to decrypt a plaintext.
    QTest::newRow("decrypting: subfolder swapped before a file is measured")
        << "top/sub/b.txt" << int(Stage::Opened) << true << false << "top" << false << 4 << 1
        << "moved/b.txt";
    QTest::newRow("a second run at once") << "top/a.txt" << int(Stage::Verifying) << true << true
                                          << "top" << true << 5 << 0 << "top/b.txt";
}

void TestInPlaceSafety::onlyListedFiles()
{
    QFETCH(QString, trigger);
    QFETCH(int, stage);
    QFETCH(bool, inPlace);
    QFETCH(bool, encrypt);
    QFETCH(QString, output);
    QFETCH(bool, secondRun);
    QFETCH(int, done);
    QFETCH(int, changedSinceListed);
    QFETCH(QString, result);
    BatchFixture f;
    f.setup.blnOutputFilesSame = inPlace;
    f.setup.blnEncrypt = encrypt;
    f.setup.blnSubdirectories = true;
    const QStringList privateFiles{"private/b.txt", "private/c.txt", "private/b.enc"};
    for (const QString& name : privateFiles)
        f.write(name, Original);
    for (const char* name :
         {"top/a.txt", "top/b.txt", "top/c.txt", "top/sub/b.txt", "top/sub/c.txt"})
        encrypt ? f.write(name, Original) : f.writeEncrypted(name, Original);
    f.write("key", f.key.strKey.view().toByteArray());
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage now, const InPlaceFile& file) {
        if (int(now) != stage || file.path() != TestFiles::native(f.path(trigger)))
            return;
        QProcess other; // another user's shell, or a second run of the program
        other.setStandardOutputFile(QProcess::nullDevice());
        const QString swapped = f.path(output == "top" ? "top/sub" : output);
        if (secondRun)
            other.start(ZR7_BATCH_CHILD, {f.path("top"), f.path("key"), "encrypt"});
        else
            other.start("sh", {"-c", "mv \"$0\" \"$1\" && ln -s \"$2\" \"$0\"", swapped,
                               f.path("moved"), f.path("private")});
        QVERIFY(other.waitForFinished());
        QCOMPARE(other.exitCode(), int(secondRun)); // the second run meets a locked file
    };
    f.Run("top", "*.txt", output, inPlace ? "*.*" : "*.enc");
    QCOMPARE(f.driver.counters().filesDone, done);
    QCOMPARE(f.report().count("This file changed since the batch began, so it was left as it is."),
             changedSinceListed);
    for (const QString& name : privateFiles)
        QCOMPARE(f.read(name), Original);
    QCOMPARE(encrypt ? f.decrypted(result) : f.read(result), Original);
    // The report gives the size of the result where it was written.
    const QString size = StrProc::NumberLocale().toString(QFileInfo(f.path(result)).size());
    if (!secondRun)
        QVERIFY(f.lines().filter(QRegularExpression("^b\\.txt ")).last().endsWith(size + " bytes"));
    QStringList left; // no result nor original under a temporary name
    for (QDirIterator it(f.path(""), {".zr7-*"}, QDir::Files | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        left << it.next();
    QCOMPARE(left, QStringList());
}

// The original cannot be purged once the result has its name: the file is not done, and the
// report says where the original is.
void TestInPlaceSafety::purgeFails_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("text");
    QTest::newRow("encrypted") << true
                               << "The file was encrypted, but its plaintext could not be purged";
    QTest::newRow("decrypted") << false
                               << "The file was decrypted, but its ciphertext could not be removed";
}

void TestInPlaceSafety::purgeFails()
{
    QFETCH(bool, encrypt);
    QFETCH(QString, text);
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.setup.blnEncrypt = encrypt;
    encrypt ? f.write("notes.txt", Original) : f.writeEncrypted("notes.txt", Original);
    const QByteArray before = f.read("notes.txt");
    if (::geteuid() != 0 || Flags(f.path("notes.txt")) < 0)
        QSKIP("needs root and the immutable flag, which keeps the original from being purged");
    QString left;
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage stage, const InPlaceFile& file) {
        left = QString::fromStdString(file.resultPath());
        QVERIFY(stage != ZR7FileOps::Stage::Purging || Flags(left, FS_IMMUTABLE_FL) >= 0);
    };
    f.Run(QString(), "notes.txt", QString(), "*.*");
    QVERIFY(Flags(left, 0, FS_IMMUTABLE_FL) >= 0);
    QCOMPARE(LineAfterSize(f, "notes.txt"), text + ": it is still in " + left + '.');
    QCOMPARE(f.driver.counters().filesDone, 0);
    QCOMPARE(encrypt ? f.decrypted("notes.txt") : f.read("notes.txt"), Original);
    QCOMPARE(TestFiles::read(left), before);
}

// What an interrupted run left under a temporary name may be a plaintext whose purge was cut
// short: the next run overwrites it before its name goes. One that a running program still holds
// locked is that program's, and stays.
void TestInPlaceSafety::leftoversOfInterruptedRuns()
{
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.write("notes.txt", Original);
    const QString left = ".zr7-0123456789ab.tmp", held = ".zr7-ba9876543210.tmp";
    f.write(left, Original);
    f.write(held, Original);
    // Open before the run, the leftover's data can still be read once its name is gone.
    const int leftFd = ::open(QFile::encodeName(f.path(left)), O_RDONLY | O_CLOEXEC);
    const int heldFd = ::open(QFile::encodeName(f.path(held)), O_RDONLY | O_CLOEXEC);
    QVERIFY(leftFd >= 0 && ::flock(heldFd, LOCK_EX) == 0);
    // Only what nobody has touched for two seconds is taken as left behind.
    struct stat info;
    QVERIFY(::fstat(heldFd, &info) == 0);
    while (std::time(nullptr) - info.st_ctim.tv_sec < 2)
        QTest::qSleep(100);
    f.Run("", "notes.txt", "", "*.*");
    QByteArray data(Original.size(), 0);
    data.truncate(qMax<ssize_t>(::pread(leftFd, data.data(), data.size(), 0), 0));
    ::close(leftFd);
    ::close(heldFd);
    QCOMPARE(
        f.lines().filter("by an interrupted run)"),
        QStringList("(removed " + left + ", left in " + f.path("") + " by an interrupted run)"));
    QVERIFY(!QFileInfo::exists(f.path(left)));
    QVERIFY2(!data.contains(Original.left(30)), data.left(30).constData());
    QCOMPARE(f.read(held), Original);
    QCOMPARE(f.driver.counters().filesDone, 1);
}

QTEST_GUILESS_MAIN(TestInPlaceSafety)
#include "tst_inplacesafety.moc"
