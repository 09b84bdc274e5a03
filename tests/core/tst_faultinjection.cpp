#include "BatchFixture.h"
#include "FaultyDisk.h"
#include "LossTally.h"
#include "ReportLine.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <optional>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

// A batch whose input changes under it: while the first file is worked on, another program
// deletes the second, puts a folder in its place, takes away the right to read it or rewrites it.
// That file is reported with its own text and left as the other program made it; the files before
// and after it are done, and nothing is lost or left behind. And a batch on storage that fails
// under it: a disk that fills, a flush that fails, a read-only file system.
class TestFaultInjection : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void inputChangesBeforeItsTurn_data();
    void inputChangesBeforeItsTurn();
    void storageFails_data();
    void storageFails();

private:
    LossTally m_tally;
};

namespace {

const QStringList Names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                           QStringLiteral("c.txt")};

QByteArray Plain(int i)
{
    return TestFiles::randomBytes(5000 + i, 90 + i);
}

// Root reads any file whatever its permission bits say. For the unreadable file the batch runs
// under nobody's file-system identity (this thread only), on files and folders that nobody
// owns.
class ActAsNobody
{
public:
    explicit ActAsNobody(BatchFixture& f)
    {
        if (::geteuid() != 0)
            return;
        const QString top = f.path(QString());
        ::chown(QFile::encodeName(top), 65534, 65534);
        for (const QString& name : QDir(top + "in").entryList(QDir::Files))
            ::chown(QFile::encodeName(top + "in/" + name), 65534, 65534);
        ::chown(QFile::encodeName(top + "in"), 65534, 65534);
        ::setfsuid(65534);
        m_active = true;
    }
    ~ActAsNobody()
    {
        if (m_active)
            ::setfsuid(0);
    }

private:
    bool m_active = false;
};

} // namespace

void TestFaultInjection::cleanupTestCase()
{
    m_tally.print("tst_faultinjection");
}

void TestFaultInjection::inputChangesBeforeItsTurn_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("text");
    const QString special =
        QStringLiteral("This is a symbolic link or a special file.  Encryption not performed.");
    const QString changed =
        QStringLiteral("This file changed since the batch began, so it was left as it is.");
    for (const bool inPlace : {false, true}) {
        const char* mode = inPlace ? "in place" : "to new files";
        QTest::addRow("deleted, %s", mode)
            << "deleted" << inPlace << true << "Input file not found.";
        QTest::addRow("a folder in its place, %s", mode) << "folder" << inPlace << true << special;
        QTest::addRow("unreadable, %s", mode)
            << "unreadable" << inPlace << true << "Unable to open input file.";
        // Same inode, same size, same second: only the nanoseconds of its time tell.
        QTest::addRow("rewritten within the second, %s", mode)
            << "rewritten" << inPlace << true << changed;
        // Measured as it is now, it would bring the question whether to decrypt a plaintext.
        QTest::addRow("rewritten as plaintext, decrypting %s", mode)
            << "plaintext" << inPlace << false << changed;
    }
}

void TestFaultInjection::inputChangesBeforeItsTurn()
{
    QFETCH(QString, change);
    QFETCH(bool, inPlace);
    QFETCH(bool, encrypt);
    QFETCH(QString, text);
    BatchFixture f;
    f.setup.blnOutputFilesSame = inPlace;
    f.setup.blnEncrypt = encrypt;
    for (int i = 0; i < Names.size(); ++i)
        encrypt ? f.write("in/" + Names[i], Plain(i))
                : f.writeEncrypted("in/" + Names[i], Plain(i));
    const QString second = f.path("in/b.txt");
    // What the second file holds afterwards; none when it is gone.
    const QByteArray leftAs = change == "unreadable"  ? Plain(1)
                              : change == "rewritten" ? TestFiles::randomBytes(Plain(1).size(), 7)
                              : change == "plaintext" ? QByteArray("plain text\n").repeated(500)
                                                      : QByteArray();
    // Its times as listed; a rewrite changes only the nanoseconds.
    timespec times[2] = {{1000000000, 100}, {1000000000, 100}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(second), times, 0) == 0);
    bool changed = false;
    // While the first file is worked on.
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage, const InPlaceFile&) {
        if (changed)
            return;
        changed = true;
        if (change == "unreadable") {
            ::chmod(QFile::encodeName(second), 0);
            return;
        }
        if (!leftAs.isNull()) {
            QVERIFY(TestFiles::write(second, leftAs));
            times[1].tv_nsec = 200;
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(second), times, 0) == 0);
            return;
        }
        QFile::remove(second);
        if (change == "folder")
            QDir().mkdir(second);
    };
    const QString out = inPlace ? "in" : "out";
    {
        std::optional<ActAsNobody> nobody;
        if (change == "unreadable")
            nobody.emplace(f);
        f.Run("in", "*.*", out, "*.*");
    }
    m_tally.caseRun();
    QVERIFY(changed);
    QCOMPARE(ReportLine(f.report(), Names[1]).result, text);
    QCOMPARE(f.driver.counters().filesDone, 2);
    const auto plainOf = [&](const QString& path, bool encrypted) {
        return encrypted ? f.decrypted(path) : f.read(path);
    };
    for (const int i : {0, 2}) {
        QVERIFY(m_tally.check(Names[i], plainOf(out + '/' + Names[i], encrypt), Plain(i)));
        if (!inPlace)
            QVERIFY(m_tally.check(Names[i], plainOf("in/" + Names[i], !encrypt), Plain(i)));
    }
    QCOMPARE(QFileInfo(second).isDir(), change == "folder");
    if (change == "unreadable")
        ::chmod(QFile::encodeName(second), 0600);
    if (!leftAs.isNull())
        QVERIFY(m_tally.check(Names[1], f.read("in/b.txt"), leftAs));
    // Nothing but the files themselves: no result for the changed one, no temporary file.
    const QStringList done = {Names[0], Names[2]};
    const QStringList kept = leftAs.isNull() ? done : Names;
    const auto files = QDir::Files | QDir::Hidden | QDir::System;
    QCOMPARE(QDir(f.path("in")).entryList(files, QDir::Name), kept);
    if (!inPlace)
        QCOMPARE(QDir(f.path("out")).entryList(files, QDir::Name), done);
}

void TestFaultInjection::storageFails_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("done");
    const auto full = int(FaultyDisk::Fault::FullAfter);
    const auto flush = int(FaultyDisk::Fault::FlushFails);
    const auto readOnly = int(FaultyDisk::Fault::ReadOnly);
    const auto flip = int(FaultyDisk::Fault::FlipsAByte);
    const QString notVerified =
        QStringLiteral("The result could not be verified on disk, so the original file was kept.");
    const QString diskFull = QStringLiteral("Write error: disk full.");
    for (const bool encrypt : {true, false}) {
        const char* op = encrypt ? "encrypt" : "decrypt";
        const QString function = encrypt ? "Encryption" : "Decryption";
        QTest::addRow("disk full, %s in place", op) << full << encrypt << true << diskFull << 1;
        QTest::addRow("disk full, %s to new files", op)
            << full << encrypt << false << diskFull << 1;
        // A result that cannot be flushed is not proven on disk: the original stays.
        QTest::addRow("flush fails, %s in place", op)
            << flush << encrypt << true << notVerified << 0;
        // New outputs are flushed before they take their names: none does.
        QTest::addRow("flush fails, %s to new files", op)
            << flush << encrypt << false << "Write error." << 0;
        // A write that goes wrong without an error is caught when the output is read back.
        QTest::addRow("a byte flipped, %s in place", op)
            << flip << encrypt << true << notVerified << 1;
        QTest::addRow("a byte flipped, %s to new files", op)
            << flip << encrypt << false
            << "The output did not read back from the disk as it was written, so it was not kept."
            << 1;
        QTest::addRow("read-only, %s in place", op)
            << readOnly << encrypt << true
            << "This file cannot be replaced here (it is protected, or the folder does not allow "
               "it).  " +
                   function + " not performed."
            << 0;
        QTest::addRow("read-only, %s to new files", op)
            << readOnly << encrypt << false << "Unable to open output file." << 0;
    }
}

// Each failed file keeps its original bytes under its own name, no result or temporary file is
// left under a name the report does not give, and the report says what went wrong.
void TestFaultInjection::storageFails()
{
    QFETCH(int, fault);
    QFETCH(bool, encrypt);
    QFETCH(bool, inPlace);
    QFETCH(QString, text);
    QFETCH(int, done);
    BatchFixture f;
    f.setup.blnEncrypt = encrypt;
    f.setup.blnOutputFilesSame = inPlace;
    // The second file is three chunks and a bit; the disk fills in its third chunk.
    constexpr int Chunk = 1 << StreamFormat::DefaultChunkLog;
    const QList<QByteArray> plain = {Plain(0), TestFiles::randomBytes(3 * Chunk + 100, 93)};
    for (int i = 0; i < plain.size(); ++i)
        encrypt ? f.write("in/" + Names[i], plain[i])
                : f.writeEncrypted("in/" + Names[i], plain[i]);
    const QByteArray originals[] = {f.read("in/" + Names[0]), f.read("in/" + Names[1])};
    const QString out = inPlace ? "in" : "out";
    QDir().mkpath(f.path(out));
    {
        const FaultyDisk disk(FaultyDisk::Fault(fault), 5 * Chunk / 2);
        f.engine.set_system_calls(disk.calls());
        f.Run("in", "*.*", out, "*.*");
        f.engine.set_system_calls(SystemCalls::System);
        QVERIFY(disk.failures() > 0);
    }
    m_tally.caseRun();
    const ReportLine line(f.report(), Names[1]);
    QCOMPARE(line.result, text);
    QCOMPARE(f.driver.counters().filesDone, done);
    for (int i = done; i < 2; ++i)
        QVERIFY(m_tally.check(Names[i], f.read("in/" + Names[i]), originals[i]));
    if (done > 0) {
        const QString result = out + '/' + Names[0];
        QVERIFY(m_tally.check(Names[0], encrypt ? f.decrypted(result) : f.read(result), plain[0]));
    }
    QStringList inputs = Names.mid(0, 2);
    QStringList outputs;
    if (done > 0 && !inPlace)
        outputs.append(Names[0]);
    // What a decryption authenticated before the disk filled is kept, under a name of its own.
    const QString partial = Names[1] + ".partial";
    if (!encrypt && fault == int(FaultyDisk::Fault::FullAfter)) {
        QVERIFY(line.next.contains(partial));
        const QByteArray kept = f.read(out + '/' + partial);
        QVERIFY(m_tally.check(partial, kept, plain[1].left(kept.size())));
        (inPlace ? inputs : outputs).append(partial);
    }
    const auto files = QDir::Files | QDir::Hidden | QDir::System;
    QCOMPARE(QDir(f.path("in")).entryList(files, QDir::Name), inputs);
    if (!inPlace)
        QCOMPARE(QDir(f.path("out")).entryList(files, QDir::Name), outputs);
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
